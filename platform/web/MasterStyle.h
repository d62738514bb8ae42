// The web control's default style sheet: how the elements of a page look before the page's own
// styles apply.
#pragma once

namespace platform::web {

inline constexpr const char* MASTER_STYLE = R"css(
html { display: block; }
head, meta, title, link, style, script { display: none; }
body { display: block; margin: 8px; }
p { display: block; margin-top: 1em; margin-bottom: 1em; }
div, form, address, center, blockquote, header, footer, section, nav, article { display: block; }
center { text-align: center; }
blockquote { margin-left: 40px; margin-right: 40px; }
h1 { display: block; font-size: 2em; margin-top: 0.67em; margin-bottom: 0.67em; font-weight: bold; }
h2 { display: block; font-size: 1.5em; margin-top: 0.83em; margin-bottom: 0.83em; font-weight: bold; }
h3 { display: block; font-size: 1.17em; margin-top: 1em; margin-bottom: 1em; font-weight: bold; }
h4, h5, h6 { display: block; margin-top: 1.33em; margin-bottom: 1.33em; font-weight: bold; }
strong, b { font-weight: bold; }
em, i, cite, var { font-style: italic; }
u, ins { text-decoration: underline; }
s, strike, del { text-decoration: line-through; }
small { font-size: 0.83em; }
big { font-size: 1.17em; }
pre, code, tt, kbd, samp { font-family: monospace; }
pre { display: block; white-space: pre; margin-top: 1em; margin-bottom: 1em; }
br { display: block; }
hr { display: block; margin-top: 0.5em; margin-bottom: 0.5em; border-top: 1px solid #808080; }
a:link { color: #0000cc; text-decoration: underline; cursor: pointer; }
a { color: #0000cc; text-decoration: underline; }
img { display: inline-block; }
ul, ol, menu, dir { display: block; margin-top: 1em; margin-bottom: 1em; padding-left: 40px; }
ul { list-style-type: disc; }
ol { list-style-type: decimal; }
li { display: list-item; }
dl { display: block; margin-top: 1em; margin-bottom: 1em; }
dt { display: block; }
dd { display: block; margin-left: 40px; }
table { display: table; border-collapse: separate; border-spacing: 2px; }
thead { display: table-header-group; }
tbody { display: table-row-group; }
tfoot { display: table-footer-group; }
tr { display: table-row; }
td, th { display: table-cell; padding: 1px; }
th { font-weight: bold; text-align: center; }
caption { display: table-caption; text-align: center; }
input, button, select, textarea { display: inline-block; }
)css";

}  // namespace platform::web
