#include "ctl/exchange_command.h"

#include "ctl/command_loop.h"
#include "ctl/traffic_printer.h"
#include "ctl/trouble_exit.h"

#include "station/board_client.h"

namespace ctl {

proc::run_end runExchange(const invocation& inv, output& out, proc::stop_signals& stops) {
    station::board_client client;
    const traffic_printer printer(client, trafficFormat(inv.json, inv.raw, traffic_printer::format::reports), out);
    command_loop loop;
    proc::run_end end;
    QObject::connect(&client, &station::board_client::opened, loop.context(),
                     [&] { client.request(inv.command, inv.payload, inv.timeoutMs, inv.timeoutMs); });
    QObject::connect(&client, &station::board_client::answered, loop.context(), [&] { loop.quit(); });
    QObject::connect(&client, &station::board_client::trouble, loop.context(),
                     [&](station::trouble_kind kind, const QString& message) {
                         end.code = exitForTrouble(kind, message);
                         loop.quit();
                     });
    QObject::connect(&stops, &proc::stop_signals::stopRequested, loop.context(), [&](int signal) {
        end.signal = signal;
        loop.quit();
    });
    out.onClosed([&] { loop.quit(); });
    client.open(inv.port, inv.timeoutMs);
    loop.exec();
    client.close();
    out.onClosed(nullptr);
    if (out.closed())
        return {proc::exit_output_closed, 0};
    return end;
}

}  // namespace ctl
