#!/usr/bin/env bash
# Shows Velmora at work: builds it, makes an application folder from the shipped databases
# with the sample profiles bound to a demo owner, makes an emulated handheld with a few
# contacts and connects it, so that the registered conduit runs (unattended when there is no
# display). A round trip: the handheld's own contacts go into a table of their own on the
# desktop, then the desktop's people go to the handheld. Then prints the conduit log, the
# contacts now on the handheld and the rows now in the desktop tables.
# With --carddav the handheld's contacts are the cards of an address book on a Radicale server
# the demo starts on 127.0.0.1 (its data in FOLDER, stopped when the demo ends); the demo then
# also prints what the address book holds, read with curl.
# Usage: scripts/demo.sh [--carddav] [FOLDER]   (FOLDER, made when missing, holds everything of
#                                                the demo; default: a new folder under /tmp)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build"

"$top/scripts/setup-debian.sh"
cmake -S "$top" -B "$build" -DVELMORA_WERROR=ON
cmake --build "$build" -j"$(nproc)" --target tavrill velmora-device velmora-reg sorrelin \
  rapi-emu velmora_share_databases

carddav=no
if [ "${1:-}" = "--carddav" ]; then
  carddav=yes
  shift
fi
work=${1:-$(mktemp -d /tmp/velmora-demo.XXXXXX)}
mkdir -p "$work"
work=$(cd "$work" && pwd)
app="$work/app"
handheld="$work/handheld"
owner="Demo Owner"
rm -rf "$app" "$handheld" "$work/registry" "$work/odbc.ini" "$work/radicale"
mkdir -p "$app"

# Everything of the demo stays in its folder: the desktop registry and the ODBC data sources.
export VELMORA_REGISTRY="$work/registry"
export ODBCINI="$work/odbc.ini"
touch "$ODBCINI"

# The application folder, as the installer lays it down.
cp "$build/share/Orvendel.mdb" "$build/share/SampleContactsDB.mdb" "$app/"
cp "$build/share/Tabloom_UserGuide.html" "$app/" 2>/dev/null || true
# Both sample profiles run at every connection for the demo's owner, the handheld's first:
# the conduit runs them in the order of their ids, so the desktop's people get the next id.
# The handheld's contacts replace the rows of a table of their own, HandheldContacts, so the
# desktop's people are neither copied back into Contacts nor piled up at each connection.
sqlite3 "$app/SampleContactsDB.mdb" "$(sqlite3 "$app/SampleContactsDB.mdb" \
  "select replace(sql, 'CREATE TABLE Contacts', 'CREATE TABLE HandheldContacts')
   from sqlite_master where name = 'Contacts';");"
sqlite3 "$app/Orvendel.mdb" \
  "update DBProfile set UserName='$owner', DBPath='$app/', SyncOn=0 where ProfID in (1, 2);
   update DBProfile set ProfID=3 where ProfID=1;
   update \"Transaction\" set ProfID=3 where ProfID=1;
   update DBProfile set ProfName='Pocket PC to HandheldContacts', SyncType=3,
     Query='SELECT * FROM \"HandheldContacts\"', tablename='HandheldContacts' where ProfID=2;"
"$build/bin/velmora-reg" add 'HKCU\Software\Microsoft\Wrenlock' /v AppPath /d "$app" /f >/dev/null

# The conduit starts when a handheld connects; without a display it runs unattended.
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  command="\"$build/bin/tavrill\" \"connect\""
else
  command="\"$build/bin/tavrill\" --unattended"
fi
"$build/bin/velmora-reg" add 'HKLM\SOFTWARE\Microsoft\Windows CE Services\AutoStartOnConnect' \
  /v Tavrill /d "$command" /f >/dev/null

# A handheld with a few contacts of its own.
cat >"$work/handheld-contacts.csv" <<'CSV'
First,Last,Company,Work tel,E-mail,Birthday
Ingrid,Halvorsen,Fjordline Shipping,+47 55 12 34 56,ingrid@fjordline.example,1984-05-17
Tomás,Ó Briain,Ceol Records,+353 1 555 0199,tomas@ceol.example,
Yuki,Tanaka,"Sakura Tea, Ltd.",+81 3 5555 0123,yuki@sakura.example,1990-11-03
CSV
if [ "$carddav" = yes ]; then
  # Radicale as Debian installs it (the system's python3), anonymous, on a free loopback port.
  mkdir -p "$work/radicale"
  port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  printf '[anyone]\nuser: .*\ncollection: .*\npermissions: RrWw\n' >"$work/radicale/rights"
  cat >"$work/radicale/config" <<CONF
[server]
hosts = 127.0.0.1:$port
[auth]
type = none
[rights]
type = from_file
file = $work/radicale/rights
[storage]
filesystem_folder = $work/radicale/data
[logging]
level = warning
CONF
  /usr/bin/python3 -m radicale --config "$work/radicale/config" >"$work/radicale/log" 2>&1 &
  radicale_pid=$!
  trap 'kill "$radicale_pid" 2>/dev/null || true' EXIT
  root="http://127.0.0.1:$port"
  for _ in $(seq 100); do
    curl -s -o /dev/null "$root/" && break
    sleep 0.1
  done
  book="$root/demo/contacts/"
  curl -sf -X MKCOL "$root/demo/" >/dev/null
  curl -sf -X MKCOL "$book" --data-binary '<?xml version="1.0"?>
<mkcol xmlns="DAV:" xmlns:C="urn:ietf:params:xml:ns:carddav"><set><prop><resourcetype>
<collection/><C:addressbook/></resourcetype></prop></set></mkcol>' >/dev/null
  echo "== Radicale runs at $root; the handheld's address book is $book"
  "$build/bin/velmora-device" create "$handheld" --owner "$owner" --carddav "$book"
else
  "$build/bin/velmora-device" create "$handheld" --owner "$owner"
fi
"$build/bin/velmora-device" contacts "$handheld" import "$work/handheld-contacts.csv"
before=$(sqlite3 "$app/SampleContactsDB.mdb" "select count(*) from Contacts;")
on_handheld=$("$build/bin/velmora-device" contacts "$handheld" count)

echo
echo "== Connecting the handheld (the conduit runs: $command)"
"$build/bin/velmora-device" connect "$handheld" --wait || true

echo
echo "== The conduit log ($app/ContactConduitlog.log)"
iconv -f UTF-16LE -t UTF-8 "$app/ContactConduitlog.log" | tr -d '\r'
echo
echo
echo "== Contacts now on the handheld ($on_handheld before the run," \
  "$("$build/bin/velmora-device" contacts "$handheld" count) now)"
"$build/bin/velmora-device" contacts "$handheld" list --csv >"$work/handheld-now.csv"
sqlite3 -header -column :memory: ".import --csv $work/handheld-now.csv c" \
  "select First, Last, Company, \"Work tel\", Birthday from c;"
echo
after=$(sqlite3 "$app/SampleContactsDB.mdb" "select count(*) from Contacts;")
echo "== Rows in the desktop table Contacts: $before before the run, $after now"
echo
echo "== The handheld's contacts now in the desktop table HandheldContacts"
sqlite3 -header -column "$app/SampleContactsDB.mdb" \
  "select FirstName, LastName, Company, WorkPhone, Email, Birthday from HandheldContacts;"
if [ "$carddav" = yes ]; then
  echo
  echo "== The cards now in the address book $book (read with curl)"
  curl -sf -X PROPFIND -H "Depth: 1" "$book" | grep -o '<[A-Za-z0-9:]*href>[^<]*\.vcf<' |
    sed 's/^<[^>]*>//; s/<$//' | while read -r card; do
    # Continuation lines (folding) are joined; only the properties worth a glance are shown.
    curl -sf "$root$card" | tr -d '\r' | sed ':a; N; $!ba; s/\n //g' |
      grep -E '^(FN|ORG|TEL|EMAIL|BDAY|CATEGORIES)[;:]' | sed 's/^/  /'
    echo
  done
fi
echo
echo "Everything of this demo is in $work"
