#include "skin/catalogue.h"

namespace corvamo {

namespace Catalogue {
const char* const MainJpgNames = "mainBG.jpg;subBG.jpg;disk.jpg;nor.jpg;setting.jpg;select.jpg;window.jpg";
const char* const MainBmpNames = "mainBG.bmp;subBG.bmp;disk.bmp;nor.bmp;setting.bmp;select.bmp;window.bmp";
const char* const ExtraBmpNames =
    "arrowL.bmp;arrowR.bmp;deskicon.bmp;desktop.bmp;qvoption.bmp;qvpdalogo.bmp;QVWordBG.bmp;filemng.bmp;"
    "filemnghead.bmp;icons.bmp;itemdisc.bmp;mineBG.bmp;ok.bmp;TextScrollBack.BMP;TextScrollButtonSign.BMP;"
    "TextScrollDown.BMP;TextScrollUp.BMP;Time_col.bmp;Time_title.bmp;txtbg.bmp;TXTLoadSaver.bmp;"
    "txtSaveSaver.bmp;underFlag.bmp;worddict.bmp;wordmenu.bmp;wordmenubg.bmp;wordpre.bmp;wordstudy.bmp;"
    "wordstudy_client.bmp;wordvip.bmp;x.bmp";
const char* const NdsInstallNames =
    "mainBG.jpg;subBG.jpg;disk.jpg;nor.jpg;setting.jpg;select.jpg;window.jpg;asc.dat;hzk.dat";
const char* const SkinFileNames =
    "mainBG.jpg;subBG.jpg;disk.jpg;nor.jpg;setting.jpg;select.jpg;window.jpg;mainBG.bmp;subBG.bmp;disk.bmp;"
    "nor.bmp;setting.bmp;select.bmp;window.bmp;arrowL.bmp;arrowR.bmp;deskicon.bmp;desktop.bmp;qvoption.bmp;"
    "qvpdalogo.bmp;QVWordBG.bmp;filemng.bmp;filemnghead.bmp;icons.bmp;itemdisc.bmp;mineBG.bmp;ok.bmp;"
    "TextScrollBack.BMP;TextScrollButtonSign.BMP;TextScrollDown.BMP;TextScrollUp.BMP;Time_col.bmp;"
    "Time_title.bmp;txtbg.bmp;TXTLoadSaver.bmp;txtSaveSaver.bmp;underFlag.bmp;worddict.bmp;wordmenu.bmp;"
    "wordmenubg.bmp;wordpre.bmp;wordstudy.bmp;wordstudy_client.bmp;wordvip.bmp;x.bmp;text.txt;asc.dat;"
    "help.txt;hzk.dat";

QStringList Split(const char* list) { return QString::fromLatin1(list).split(QLatin1Char(';')); }
}  // namespace Catalogue

}  // namespace corvamo
