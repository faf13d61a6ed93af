// How Lindquay and the project's own glimmet talk when glimmet stays resident for a whole build
// (glimmet --serve), instead of one glimmet started per picture.
//
// Lindquay starts `glimmet --serve` only when the program holds kGlimmetGreeting among its bytes,
// so that a glimmet of another make never gets an argument it does not know; that one is started
// per picture, as always. The served glimmet has a Unix seqpacket socket as standard input and
// first sends kGlimmetGreeting. Each request is one message, "SOURCE\0TARGET\0", with a file
// descriptor attached (an empty file in memory); the reply is one message of 4 bytes, the exit
// code that `glimmet SOURCE /convert=TARGET` would have ended with (0 or 1). The BMP goes into the
// attached file rather than to TARGET, which only names it in glimmet's messages; those are its
// own, on standard error, as they are from one glimmet per picture. Each picture is decoded in a
// child process of its own with the same limits. glimmet ends when Lindquay closes its end.
#pragma once

inline constexpr char kGlimmetGreeting[] = "glimmet --serve: the Corvamo picture server, protocol 1\n";
