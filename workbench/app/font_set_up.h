#pragma once

// The first text the window measures makes fontconfig read its whole configuration (some fifty
// XML files): a third of the work the window does before it maps. Started on a second thread
// before the toolkit starts, the reading goes on while the toolkit connects to the display and the
// window's controls are made; the window waits for it before it measures its first text, and the
// toolkit's own call then finds it done. Without fontconfig in the process (another font back end)
// nothing is started.

#include <dlfcn.h>

#include <thread>

namespace corvamo::font_set_up {

inline std::thread& Reader() {
    // Joined at the latest when the program ends, should no window have waited for it.
    static struct Joined {
        std::thread thread;
        ~Joined() {
            if (thread.joinable()) thread.join();
        }
    } reader;
    return reader.thread;
}

// Once, from the main thread, before QApplication is made.
inline void Start() {
    using Init = int (*)();
    const auto init = reinterpret_cast<Init>(::dlsym(RTLD_DEFAULT, "FcInit"));
    if (init && !Reader().joinable()) Reader() = std::thread([init] { init(); });
}

// From the main thread, before the first text is measured; at once when nothing was started.
inline void Wait() {
    if (Reader().joinable()) Reader().join();
}

}  // namespace corvamo::font_set_up
