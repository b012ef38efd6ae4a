// The browser's own defaults for the HTML elements: what a page looks like before its own
// style sheets speak. Kept to the elements and attributes our pages and templates use.
#include "browser/layout_internal.h"

namespace nux::browser::detail {

const char kDefaultStyleSheet[] = R"css(
html, address, blockquote, body, center, dd, dir, div, dl, dt, fieldset, form, frameset,
h1, h2, h3, h4, h5, h6, hr, listing, menu, noframes, ol, p, plaintext, pre, ul, xmp,
li, legend, caption, table, thead, tbody, tfoot, tr, td, th, col, colgroup { display: block; }
head, script, style, title, meta, link, base, basefont, noscript, param, template, area,
map, input[type="hidden"] { display: none; }

html { background-color: #ffffff; color: #000000; font-family: "Times New Roman", serif;
       font-size: 16px; line-height: normal; }
body { margin: 8px; }

p, dl, multicol, blockquote, xmp, plaintext, listing, pre { margin-top: 1em; margin-bottom: 1em; }
blockquote { margin-left: 40px; margin-right: 40px; }
address, cite, em, i, var, dfn { font-style: italic; }
center { text-align: center; }
h1 { font-size: 2em; margin-top: 0.67em; margin-bottom: 0.67em; font-weight: bold; }
h2 { font-size: 1.5em; margin-top: 0.83em; margin-bottom: 0.83em; font-weight: bold; }
h3 { font-size: 1.17em; margin-top: 1em; margin-bottom: 1em; font-weight: bold; }
h4 { margin-top: 1.33em; margin-bottom: 1.33em; font-weight: bold; }
h5 { font-size: 0.83em; margin-top: 1.67em; margin-bottom: 1.67em; font-weight: bold; }
h6 { font-size: 0.67em; margin-top: 2.33em; margin-bottom: 2.33em; font-weight: bold; }
b, strong, th { font-weight: bold; }
u, ins { text-decoration: underline; }
s, strike, del { text-decoration: line-through; }
big { font-size: larger; }
small { font-size: smaller; }
sub { vertical-align: sub; font-size: smaller; }
sup { vertical-align: super; font-size: smaller; }
tt, code, kbd, samp, pre, xmp, listing, plaintext { font-family: "Courier New", monospace; }
pre, xmp, listing, plaintext { white-space: pre; }
nobr { white-space: nowrap; }
hr { border: 1px inset #808080; margin: 0.5em auto; height: 0; }
br { display: block; }

ul, ol, dir, menu { margin-top: 1em; margin-bottom: 1em; padding-left: 40px; }
ul ul, ul ol, ol ul, ol ol { margin-top: 0; margin-bottom: 0; }
li { display: list-item; }
ul, dir, menu { list-style-type: disc; }
ul ul { list-style-type: circle; }
ul ul ul { list-style-type: square; }
ol { list-style-type: decimal; }
dd { margin-left: 40px; }

table { display: table; border-spacing: 2px; border-collapse: separate; text-indent: 0; }
thead { display: table-header-group; vertical-align: middle; }
tbody { display: table-row-group; vertical-align: middle; }
tfoot { display: table-footer-group; vertical-align: middle; }
tr { display: table-row; vertical-align: inherit; }
td, th { display: table-cell; vertical-align: inherit; padding: 1px; }
th { text-align: center; }
caption { display: table-caption; text-align: center; }
col { display: table-column; }
colgroup { display: table-column-group; }
table[border] td, table[border] th { border: 1px inset #808080; }
table[border] { border: 1px outset #808080; }

a[href] { color: #0000ee; text-decoration: underline; }
img { display: inline-block; }
img[align="left"] { float: left; }
img[align="right"] { float: right; }
)css";

}  // namespace nux::browser::detail
