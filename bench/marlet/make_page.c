/* marlet_make_page SIZE OUT: writes a page of at least SIZE bytes of realistic markup (head with
 * title, meta, style and script; repeated blocks with inline style and script, comments, tables,
 * lists, entities, raw UTF-8, tab indents and CR LF line ends). */
#include <stdio.h>
#include <stdlib.h>

static const char kHead[] =
    "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n\t<title>Skin gallery</title>\r\n"
    "\t<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n"
    "\t<style type=\"text/css\">\r\n\t\tbody { font-family: sans-serif; }\r\n\t\ttd { padding: 2px; }\r\n\t</style>\r\n"
    "\t<script type=\"text/javascript\">\r\n\t\tfunction show(id) { document.getElementById(id).style.display = "
    "'block'; }\r\n"
    "\t</script>\r\n</head>\r\n<body bgcolor=\"#ffffff\">\r\n";

static const char kBlock[] =
    "\t<div class=\"article\" id=\"a%d\">\r\n"
    "\t\t<h2>Chapter %d: the loader &amp; its skins</h2>\r\n"
    "\t\t<p style=\"color:#333;margin:0\">Some text with&nbsp;spaces, caf\xc3\xa9 and na\xc3\xafve &lt;tags&gt;, "
    "and more words to read on the small screen of the handheld.</p>\r\n"
    "\t\t<script type=\"text/javascript\">var n%d = document.getElementById(\"a%d\"); if (n%d) { n%d.className += \" "
    "seen\"; }</script>\r\n"
    "\t\t<!-- block %d: generated -->\r\n"
    "\t\t<table border=\"1\" cellpadding=\"2\">\r\n"
    "\t\t\t<tr><td>Name</td><td>Size</td><td>Date</td></tr>\r\n"
    "\t\t\t<tr><td>skin%d.zip</td><td>%d&nbsp;KB</td><td>2007-03-14</td></tr>\r\n"
    "\t\t</table>\r\n"
    "\t\t<ul>\r\n"
    "\t\t\t<li>First item &mdash; with an entity</li>\r\n"
    "\t\t\t<li>Second item, \xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e text</li>\r\n"
    "\t\t</ul>\r\n"
    "\t\t<p>A longer paragraph of plain prose follows here, the kind of help text a skin ships with: "
    "press <b>A</b> to start, <b>B</b> to go back, and hold <i>Select</i> to change the view.</p>\r\n"
    "\t</div>\r\n"
    "\r\n";

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: marlet_make_page SIZE OUT\n");
        return 64;
    }
    const long long size = atoll(argv[1]);
    FILE* out = fopen(argv[2], "wb");
    if (!out) {
        fprintf(stderr, "marlet_make_page: cannot create %s\n", argv[2]);
        return 1;
    }
    long long written = fprintf(out, "%s", kHead);
    for (int i = 0; written < size; ++i) {
        written += fprintf(out, kBlock, i, i, i, i, i, i, i, i, i % 997 + 1);
    }
    fprintf(out, "</body>\r\n</html>\r\n");
    return fclose(out) == 0 ? 0 : 1;
}
