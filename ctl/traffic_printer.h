#pragma once

#include "ctl/output.h"

#include "station/board_client.h"

#include <QObject>

namespace ctl {

// What crosses the line, on standard output as the terminal's log console shows it (reports; with raw,
// also "=> " and "<= " lines), or one JSON record per frame; quiet prints nothing of it. Frames that
// cannot be reported are named on standard error in every form.
class traffic_printer : public QObject {
    Q_OBJECT
public:
    enum class format { reports, raw, json, quiet };
    // `label` starts every line, its board's fixture when a station has several ("a: ").
    traffic_printer(station::board_client& client, format how, output& out, QString label = QString());

private:
    void line(const QString& text) { out.line(label + text); }

    format how;
    output& out;
    QString label;
};

// "rx48p-ctl --raw" shows the frames on top of what the command prints otherwise.
traffic_printer::format trafficFormat(bool json, bool raw, traffic_printer::format otherwise);

}  // namespace ctl
