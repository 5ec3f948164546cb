#!/usr/bin/env bash
# Shows Velmora at work: builds it, makes an application folder from the shipped databases
# with the sample profiles bound to a demo owner, makes an emulated handheld with a few
# contacts and connects it, so that the registered conduit runs (unattended when there is no
# display). A round trip: the handheld's own contacts go into a table of their own on the
# desktop, then the desktop's people go to the handheld. Then prints the conduit log, the
# contacts now on the handheld and the rows now in the desktop tables.
# Usage: scripts/demo.sh [FOLDER]   (FOLDER, made when missing, holds everything of the demo;
#                                    default: a new folder under /tmp)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build"

"$top/scripts/setup-debian.sh"
cmake -S "$top" -B "$build" -DVELMORA_WERROR=ON
cmake --build "$build" -j"$(nproc)" --target tavrill velmora-device velmora-reg sorrelin \
  rapi-emu velmora_share_databases

work=${1:-$(mktemp -d /tmp/velmora-demo.XXXXXX)}
mkdir -p "$work"
work=$(cd "$work" && pwd)
app="$work/app"
handheld="$work/handheld"
owner="Demo Owner"
rm -rf "$app" "$handheld" "$work/registry" "$work/odbc.ini"
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
"$build/bin/velmora-device" create "$handheld" --owner "$owner"
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
echo
echo "Everything of this demo is in $work"
