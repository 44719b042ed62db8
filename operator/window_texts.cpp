#include "operator/window_texts.h"

#include "device/records.h"

#include <QLocale>

namespace op {

QString window_texts::tileWord(tile_state state) {
    switch (state) {
    case tile_state::stopped:
        return tr("STOPPED");
    case tile_state::starting:
        return tr("STARTING");
    case tile_state::waiting:
        return tr("WAITING FOR PART");
    case tile_state::testing:
        return tr("TESTING");
    case tile_state::passed:
        return tr("PASS");
    case tile_state::failed:
        return tr("FAIL");
    case tile_state::not_recorded:
        return tr("NOT RECORDED");
    case tile_state::out_of_service:
        return tr("OUT OF SERVICE");
    }
    return QString();
}

QString window_texts::detail(const tile_detail& d) {
    switch (d.what) {
    case tile_detail::kind::none:
        break;
    case tile_detail::kind::next_serial:
        return tr("next: %1").arg(d.serial);
    case tile_detail::kind::part:
        return d.serial.isEmpty() ? tr("part %1").arg(d.number) : tr("part %1  %2").arg(d.number).arg(d.serial);
    }
    return QString();
}

QString window_texts::step(fixture_step s, const QString& port, int key) {
    switch (s) {
    case fixture_step::none:
        break;
    case fixture_step::stopping:
        return tr("Stopping after this part");
    case fixture_step::leaving_service:
        return tr("Out of service after this part");
    case fixture_step::back_in_service:
        return tr("Ctrl+%1 puts it back in service").arg(key);
    case fixture_step::connecting:
        return tr("Connecting to the board on %1").arg(port);
    case fixture_step::scan_serial:
        return tr("Scan the serial of the next part");
    case fixture_step::insert_first:
        return tr("Insert a part");
    case fixture_step::insert_next:
        return tr("Insert the next part");
    case fixture_step::testing:
        return tr("Testing: leave the part in the fixture");
    case fixture_step::remove:
        return tr("Remove the part");
    }
    return QString();
}

QString window_texts::runEnd(const run_end& e) {
    switch (e.what) {
    case run_end::kind::none:
        break;
    case run_end::kind::done:
        return e.parts == 1 ? tr("Done: 1 part tested") : tr("Done: %n parts tested", nullptr, static_cast<int>(e.parts));
    case run_end::kind::stopped:
        return tr("Stopped");
    case run_end::kind::stopped_by_trouble:
        return tr("Stopped by trouble");
    }
    return QString();
}

QString window_texts::prompt(const station_prompt& p) {
    QString text;
    switch (p.what) {
    case station_prompt::kind::none:
        break;
    case station_prompt::kind::stopping:
        text = tr("Stopping after this part");
        break;
    case station_prompt::kind::press_enter:
        text = p.ended.what == run_end::kind::none ? tr("Press Enter to start.")
                                                   : tr("%1. Press Enter to start.").arg(runEnd(p.ended));
        break;
    case station_prompt::kind::opening:
        text = tr("Opening the database %1").arg(p.database);
        break;
    case station_prompt::kind::scan_for:
        text = tr("Scan the serial for fixture %1").arg(p.fixture);
        break;
    case station_prompt::kind::step:
        text = step(p.step, p.port, 1);
        break;
    }
    if (!p.heldSerial.isEmpty())
        text += (text.isEmpty() ? QString() : QStringLiteral("  ")) + tr("(next serial: %1)").arg(p.heldSerial);
    return text;
}

QString window_texts::bannerText(const banner& b) {
    const QString arg0 = b.args.value(0), arg1 = b.args.value(1), arg2 = b.args.value(2);
    const QString restart = b.restartKey > 0 ? tr("press Ctrl+%1 twice").arg(b.restartKey) : tr("press Reconnect");
    switch (b.what) {
    case banner::kind::none:
        break;
    case banner::kind::cannot_start:
        return tr("Cannot start: %1").arg(arg0);
    case banner::kind::all_out_of_service:
        return tr("Cannot start: every fixture is out of service: Ctrl+1 puts the first back");
    case banner::kind::not_released:
        return tr("Not released: %1. Only released programs run here: ask the engineer to release it, or to set up a "
                  "released one.")
            .arg(arg0);
    case banner::kind::board_gone:
        return tr("The board is gone (%1). Check its cable and power, then %2.").arg(arg0, restart);
    case banner::kind::board_silent:
        return tr("The board stopped answering (%1). Check its power and cable, then %2.").arg(arg0, restart);
    case banner::kind::wrong_firmware:
        return tr("This part file is not for this board: %1. Choose the program for this board in Setup, or use a "
                  "board with that firmware.")
            .arg(arg0);
    case banner::kind::not_recorded: {
        const QString where = arg0.isEmpty() ? tr("the station") : tr("fixture %1").arg(arg0);
        return tr("Part %1 could not be recorded, so %2 stopped: %3. Check the database %4 (free space, access), "
                  "then %5.")
            .arg(b.number)
            .arg(where, arg1, arg2, arg0.isEmpty() ? tr("press Start") : restart);
    }
    case banner::kind::run_end_not_recorded:
        return tr("The end of the run could not be recorded: %1. Check the database %2.").arg(arg0, arg1);
    case banner::kind::server_out_of_reach:
        return tr("The results server is out of reach (%1). The station goes on and keeps every part in %2; they go "
                  "to the server when it is back.")
            .arg(arg0, arg1);
    case banner::kind::server_back:
        return tr("The results server is back: forwarding the parts recorded meanwhile.");
    case banner::kind::server_trouble:
        return tr("The results server cannot take the parts (%1): tell the line's engineer. The station goes on and "
                  "keeps every part in %2.")
            .arg(arg0, arg1);
    case banner::kind::part_refused:
        return tr("The results server refused part %1 (%2). It stays in %3; tell the line's engineer.").arg(arg0, arg1, arg2);
    }
    return QString();
}

QString window_texts::pinType(int code) {
    switch (code) {
    case tarnwell::NOT_CONNECTED:
        return tr("not connected");
    case tarnwell::LED_ANODE:
        return tr("Led anode");
    case tarnwell::LED_CATHODE:
        return tr("Led cathode");
    case tarnwell::LED_BIDIRECTIONAL:
        return tr("Led bidirectionnel");
    case tarnwell::SHORTCUT:
        return tr("Shortcut");
    case tarnwell::COMMON:
        return tr("Common");
    case tarnwell::BUTTON_OFF:
        return tr("Button OFF");
    case tarnwell::BUTTON_ON:
        return tr("Button ON");
    case tarnwell::TOUCH_OFF:
        return tr("Touch OFF");
    case tarnwell::TOUCH_ON:
        return tr("Touch ON");
    default:
        return tr("type %1").arg(code);
    }
}

QString window_texts::volts(double v) {
    return QLocale().toString(v, 'f', 3) + QLatin1Char('V');
}

QString window_texts::seconds(const std::optional<double>& s) {
    return s ? tr("%1 s").arg(QLocale().toString(*s, 'f', 3)) : QStringLiteral("–");
}

QString window_texts::percent(const std::optional<double>& p) {
    return p ? tr("%1 %").arg(QLocale().toString(*p, 'f', 1)) : QStringLiteral("–");
}

QString window_texts::failure(const station::comparison& c) {
    using station::fault;
    QString item;
    if (c.kind == QLatin1String("pair"))
        item = tr("pair %1-%2").arg(c.pin).arg(c.otherPin);
    else if (c.kind == QLatin1String("button"))
        item = tr("button %1 (common %2)").arg(c.pin).arg(c.otherPin);
    else
        item = tr("touch %1").arg(c.pin);
    QStringList said;
    for (const fault& f : c.faults) {
        switch (f.kind) {
        case fault::what::pair_missing:
            said << tr("missing (open)");
            break;
        case fault::what::pair_unexpected:
            said << tr("not expected (short)");
            break;
        case fault::what::pin_type:
            said << tr("pin %1 is %2, expected %3").arg(f.pin).arg(pinType(f.measuredType), pinType(f.expectedType));
            break;
        case fault::what::drop:
            said << tr("Vdrop(%1->%2) = %3, expected %4 within %5")
                        .arg(f.pin)
                        .arg(f.toPin)
                        .arg(volts(f.measuredVolts), volts(f.expectedVolts), volts(f.tolerance));
            break;
        case fault::what::button_missing:
            said << tr("missing");
            break;
        case fault::what::button_unexpected:
            said << tr("not expected");
            break;
        case fault::what::pad_missing:
            said << tr("missing from the measure");
            break;
        case fault::what::button_state:
        case fault::what::pad_state:
            said << tr("%1, expected %2").arg(pinType(f.measuredType), pinType(f.expectedType));
            break;
        }
    }
    // A comparison from elsewhere, without figures: its own words.
    const QString why = said.isEmpty() ? c.reason : said.join(QStringLiteral("; "));
    return tr("%1: %2").arg(item, why);
}

QStringList window_texts::reasons(const station::part_result& part) {
    QStringList shown;
    if (!part.passed) {
        int failed = 0;
        for (const station::comparison& c : part.comparisons)
            if (!c.passed && failed++ < reasonsShown)
                shown << failure(c);
        if (failed > reasonsShown)
            shown << tr("and %n more", nullptr, failed - reasonsShown);
    }
    if (!part.recordProblem.isEmpty())
        shown.prepend(tr("measured %1, not on record").arg(tileWord(part.passed ? tile_state::passed : tile_state::failed)));
    return shown;
}

}  // namespace op
