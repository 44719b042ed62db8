#include "results/report/html_style.h"

namespace results::report_detail {

QString reportStyle() {
    return QStringLiteral(R"css(
@page { size: A4; margin: 12mm 11mm 14mm; }
* { box-sizing: border-box; }
html { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
body { margin: 0; background: #eef1f5; color: #1f2933;
  font: 14px/1.45 system-ui, -apple-system, 'Segoe UI', Roboto, 'Helvetica Neue', Arial, 'DejaVu Sans', sans-serif; }
main { max-width: 960px; margin: 0 auto; padding: 28px 20px 40px; }
header { margin-bottom: 18px; }
h1 { font-size: 26px; margin: 0 0 4px; letter-spacing: -0.01em; }
h2 { font-size: 17px; margin: 0 0 10px; break-after: avoid; }
h3 { font-size: 14px; margin: 14px 0 8px; color: #3e4c59; break-after: avoid; }
.period { font-size: 16px; font-weight: 600; color: #3e4c59; margin: 0; }
.meta { font-size: 12px; color: #7b8794; margin: 2px 0 0; }
section { background: #ffffff; border: 1px solid #dde2e8; border-radius: 8px; padding: 16px 18px; margin: 0 0 14px; }
.kpis { display: grid; grid-template-columns: repeat(3, minmax(0, 1fr)); gap: 12px; background: none; border: 0; padding: 0; }
.kpi { background: #ffffff; border: 1px solid #dde2e8; border-radius: 8px; padding: 12px 14px; }
.kpi .label { font-size: 12px; color: #616e7c; text-transform: uppercase; letter-spacing: 0.04em; }
.kpi .value { font-size: 28px; font-weight: 700; font-variant-numeric: tabular-nums; line-height: 1.2; }
.kpi .note { font-size: 12px; color: #7b8794; }
.kpi.main .value { color: #2563a6; }
.coverage { display: grid; grid-template-columns: 1fr 2fr; gap: 18px; }
.coverage h2 { font-size: 13px; color: #616e7c; text-transform: uppercase; letter-spacing: 0.04em; margin-bottom: 4px; }
.coverage ul { margin: 0; padding: 0; list-style: none; }
.coverage li { padding: 1px 0; }
.sha { font-family: ui-monospace, 'DejaVu Sans Mono', Menlo, Consolas, monospace; font-size: 12px; color: #616e7c;
  background: #f0f2f5; border-radius: 4px; padding: 0 4px; margin-left: 6px; }
svg.chart { display: block; width: 100%; height: auto; max-width: 100%; }
figure { margin: 0; break-inside: avoid; }
figcaption { font-size: 12.5px; margin-top: 2px; }
.caption-head { display: flex; justify-content: space-between; align-items: baseline; }
.caption-head b { font-size: 13.5px; }
.drops { display: grid; grid-template-columns: repeat(2, minmax(0, 1fr)); gap: 10px 22px; }
.drops figure { border-top: 1px solid #eef1f5; padding-top: 8px; }
.stat { color: #52606d; font-size: 12px; font-variant-numeric: tabular-nums; }
table { width: 100%; border-collapse: collapse; font-size: 12.5px; font-variant-numeric: tabular-nums; }
thead { display: table-header-group; }
tr { break-inside: avoid; }
th { text-align: left; font-weight: 600; color: #616e7c; border-bottom: 2px solid #dde2e8; padding: 5px 8px; }
td { border-bottom: 1px solid #eef1f5; padding: 4px 8px; vertical-align: top; }
td.num, th.num { text-align: right; white-space: nowrap; }
tbody tr:nth-child(even) td { background: #f9fafb; }
.badge { display: inline-block; min-width: 52px; text-align: center; border-radius: 10px; padding: 0 8px; font-weight: 600; }
.good { background: #e3f4e8; color: #1e6b3c; }
.warn { background: #fdf1dc; color: #8a5300; }
.bad { background: #fbe4e0; color: #a3301f; }
.none { background: #f0f2f5; color: #616e7c; font-weight: 400; }
tr.flag td { background: #fdf3f1; }
td.worn { color: #a3301f; font-weight: 700; }
.station-fixtures table { margin-bottom: 14px; }
td .n { color: #7b8794; font-weight: 400; font-size: 11px; }
.empty { font-size: 16px; color: #3e4c59; padding: 24px 18px; text-align: center; }
.alert { background: #fbe4e0; color: #a3301f; font-weight: 600; border-radius: 6px; padding: 6px 10px; margin: 0 0 10px; }
.audit-counts { display: flex; flex-wrap: wrap; gap: 4px 18px; margin: 0 0 10px; padding: 0; list-style: none; }
.audit-counts b { font-size: 16px; font-variant-numeric: tabular-nums; }
.audit-counts li.flag { color: #a3301f; }
td.nowrap { white-space: nowrap; }
td.long { overflow-wrap: anywhere; }
.legend { font-size: 12px; color: #616e7c; margin: 6px 0 0; }
@media print {
  body { background: #ffffff; font-size: 11.5px; }
  main { max-width: none; padding: 0; }
  section { border: 0; border-radius: 0; padding: 0; margin: 0 0 8mm; }
  .kpi { border-color: #cbd2d9; }
  .drops-section { break-before: page; }
  .page-break { break-before: page; }
}
)css");
}

}  // namespace results::report_detail
