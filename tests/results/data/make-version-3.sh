set -e
B=/work/main/build
P=/work/main/tests/parts
PGB=/usr/lib/postgresql/15/bin
D=/tmp/fx/pg; mkdir -p $D/sock; chown -R nobody $D
runuser -u nobody -- $PGB/initdb -D $D/data -A trust -U rx48p -E UTF8 --locale=C --no-sync >/dev/null
runuser -u nobody -- $PGB/pg_ctl -D $D/data -l $D/log -o "-k $D/sock -c listen_addresses='' -p 54399 -c fsync=off" -w start >/dev/null
psql -h $D/sock -p 54399 -U rx48p -d postgres -c 'CREATE DATABASE line' >/dev/null
$B/rx48p-board-sim --event-delay 0 --calib-delay 0 --link /tmp/fx/board --device $P/good.device --device $P/drop-out.device --device $P/good.device --device $P/touch-wrong.device > sim.log 2>&1 &
SIM=$!
sleep 1
printf 'SN-0001\nSN-0002\nSN-0003\nSN-0004\nSN-0002\n' | $B/rx48p-ctl --port /tmp/fx/board --results /tmp/fx/journal-v3.sqlite --server "postgresql://rx48p@:54399/line?host=$D/sock" --station bench-1 station $P/good.device --serial scan --count 5 || true
# the server is gone: a backlog
runuser -u nobody -- $PGB/pg_ctl -D $D/data -m fast -w stop >/dev/null
printf 'SN-0005\nSN-0004\nSN-0006\n' | $B/rx48p-ctl --port /tmp/fx/board --results /tmp/fx/journal-v3.sqlite --server "postgresql:///line?host=$D/sock:54399" --station bench-1 station $P/good.device --serial scan --count 3 || true
$B/rx48p-ctl --port /tmp/fx/board --results /tmp/fx/journal-v3.sqlite --station bench-1 station $P/good.device --serial auto:AU- --count 2 || true
kill $SIM
runuser -u nobody -- $PGB/pg_ctl -D $D/data -l $D/log -o "-k $D/sock -c listen_addresses='' -p 54399 -c fsync=off" -w start >/dev/null
pg_dump -h $D/sock -p 54399 -U rx48p --no-owner --no-privileges line > /tmp/fx/server-v3.sql
runuser -u nobody -- $PGB/pg_ctl -D $D/data -m fast -w stop >/dev/null
