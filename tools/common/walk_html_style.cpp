// The record's stylesheet. Sizes are for A4 paper; the screen shows the same
// page. Fonts: those of Windows first, then what a Linux desktop has with
// Hebrew letters.
#include "tools/common/html_text.h"
#include "tools/common/walk_html.h"

namespace zidtools {

std::string WalkRecordStyle(Language language, const std::string& title) {
    const bool he = language == Language::kHebrew;
    std::string css =
        "@page { size: A4; margin: 16mm 12mm 16mm 12mm;\n"
        "  @top-center { content: " +
        CssString(title) +
        "; font: 8pt Arial, \"DejaVu Sans\", sans-serif; color: #444; }\n"
        "  @bottom-center { content: " +
        CssString(std::string(Text(language, Say::kPage)) + " ") + " counter(page) " +
        CssString(std::string(" ") + Text(language, Say::kPageOf) + " ") +
        " counter(pages); font: 8pt Arial, \"DejaVu Sans\", sans-serif; }\n"
        "}\n";
    css += R"css(* { box-sizing: border-box; }
html { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
body { font: 9.5pt/1.35 "Segoe UI", Arial, "DejaVu Sans", sans-serif; color: #000;
       max-width: 186mm; margin: 0 auto; }
h1 { font-size: 16pt; margin: 0 0 1mm; }
h2 { font-size: 11.5pt; margin: 5mm 0 1.5mm; border-bottom: 0.4mm solid #000;
     break-after: avoid; }
p { margin: 1mm 0; }
.sub { color: #333; margin-bottom: 3mm; }
.ltr { direction: ltr; unicode-bidi: isolate; }
.mono { font-family: Consolas, "DejaVu Sans Mono", monospace; font-size: 7pt;
        word-break: break-all; }
.live { border: 0.5mm solid #b00; padding: 2mm; font-weight: bold; color: #b00; }
.warn { border: 0.5mm solid #000; padding: 2mm; font-weight: bold; }
table { border-collapse: collapse; width: 100%; }
th, td { border: 0.25mm solid #777; padding: 0.8mm 1.2mm; vertical-align: top; text-align: start; }
th { background: #e8e8e8; font-weight: bold; }
thead { display: table-header-group; }
tr { break-inside: avoid; }
table.facts th { width: 38%; background: #f2f2f2; font-weight: normal; }
.blank { display: inline-block; min-width: 60mm; border-bottom: 0.25mm solid #000;
         height: 4mm; }
.verdict { font-size: 11pt; font-weight: bold; }
.system { border: 0.6mm solid #000; padding: 2mm 3mm; margin: 2mm 0; break-inside: avoid; }
.system.fail { border-style: double; border-width: 1.2mm; }
.system ul { margin: 1mm 0; }
.rule { font-style: italic; }
table.devices { font-size: 7.5pt; table-layout: fixed; }
table.devices td { overflow-wrap: break-word; }
table.devices td.n { text-align: end; }
table.devices tr.group th { background: #d0d0d0; }
td.res b { display: block; }
td.res.fail { background: #f0f0f0; }
td.box { text-align: center; }
.tick { display: inline-block; width: 3.6mm; height: 3.6mm; border: 0.35mm solid #000; }
.small { font-size: 7.5pt; color: #333; }
ul.defects li { margin: 0.8mm 0; break-inside: avoid; }
.signatures { break-inside: avoid; }
.signatures table { margin-bottom: 3mm; }
.signatures td { height: 9mm; width: 70%; }
.signatures th { width: 30%; }
.foot { margin-top: 4mm; font-size: 7.5pt; color: #444; }
)css";
    if (he) css += "body { font-family: Arial, \"DejaVu Sans\", sans-serif; }\n";
    return css;
}

}  // namespace zidtools
