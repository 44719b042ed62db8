<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en">
<context>
    <name>op::counters_panel</name>
    <message>
        <source>Parts</source>
        <translation>Teile</translation>
    </message>
    <message>
        <source>Passed</source>
        <translation>Gut</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Schlecht</translation>
    </message>
    <message>
        <source>Not recorded</source>
        <translation>Nicht erfasst</translation>
    </message>
    <message>
        <source>First-pass yield</source>
        <translation>Erstdurchlaufquote</translation>
    </message>
    <message>
        <source>Median test time</source>
        <translation>Median Prüfzeit</translation>
    </message>
    <message>
        <source>Median cycle</source>
        <translation>Median Taktzeit</translation>
    </message>
</context>
<context>
    <name>op::part_history</name>
    <message>
        <source>Time</source>
        <translation>Uhrzeit</translation>
    </message>
    <message>
        <source>Serial</source>
        <translation>Seriennummer</translation>
    </message>
    <message>
        <source>Verdict</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>Test time</source>
        <translation>Prüfzeit</translation>
    </message>
    <message>
        <source>Cycle</source>
        <translation>Taktzeit</translation>
    </message>
    <message>
        <source>Reasons</source>
        <translation>Gründe</translation>
    </message>
    <message>
        <source>Fixture</source>
        <translation>Prüfplatz</translation>
    </message>
</context>
<context>
    <name>op::password_dialog</name>
    <message>
        <source>RX48P Station - Supervisor password</source>
        <translation>RX48P Station - Supervisor-Passwort</translation>
    </message>
    <message>
        <source>RX48P Station - Set the supervisor password</source>
        <translation>RX48P Station - Supervisor-Passwort festlegen</translation>
    </message>
    <message>
        <source>RX48P Station - Change the supervisor password</source>
        <translation>RX48P Station - Supervisor-Passwort ändern</translation>
    </message>
    <message>
        <source>RX48P Station - Remove the supervisor password</source>
        <translation>RX48P Station - Supervisor-Passwort entfernen</translation>
    </message>
    <message>
        <source>The new password: at least %1 characters, typed twice.</source>
        <translation>Das neue Passwort: mindestens %1 Zeichen, zweimal eingegeben.</translation>
    </message>
    <message>
        <source>Without a password anyone at the station may change the setup.</source>
        <translation>Ohne Passwort darf jeder an der Station die Einstellungen ändern.</translation>
    </message>
    <message>
        <source>&amp;Current password</source>
        <translation>&amp;Aktuelles Passwort</translation>
    </message>
    <message>
        <source>&amp;Password</source>
        <translation>&amp;Passwort</translation>
    </message>
    <message>
        <source>&amp;New password</source>
        <translation>&amp;Neues Passwort</translation>
    </message>
    <message>
        <source>&amp;Again</source>
        <translation>&amp;Wiederholen</translation>
    </message>
    <message>
        <source>Too soon</source>
        <translation>Zu früh</translation>
    </message>
    <message>
        <source>Wrong password</source>
        <translation>Falsches Passwort</translation>
    </message>
    <message>
        <source>%1: wait %2 s</source>
        <translation>%1: %2 s warten</translation>
    </message>
    <message>
        <source>%1: try again</source>
        <translation>%1: erneut versuchen</translation>
    </message>
</context>
<context>
    <name>op::setup_dialog</name>
    <message>
        <source>System (%1)</source>
        <translation>System (%1)</translation>
    </message>
    <message>
        <source>Applies at the next start of the window.</source>
        <translation>Gilt ab dem nächsten Start des Fensters.</translation>
    </message>
    <message>
        <source>&amp;Language</source>
        <translation>S&amp;prache</translation>
    </message>
    <message>
        <source>Released programs &amp;only</source>
        <translation>Nur freigegebene Pr&amp;ogramme</translation>
    </message>
    <message>
        <source>Refuse a part program whose content is not released on the results server</source>
        <translation>Ein Teileprogramm ablehnen, dessen Inhalt auf dem Ergebnisserver nicht freigegeben ist</translation>
    </message>
    <message>
        <source>Add f&amp;ixture</source>
        <translation>Prüfplatz &amp;hinzufügen</translation>
    </message>
    <message>
        <source>Remo&amp;ve fixture</source>
        <translation>Prüfplatz ent&amp;fernen</translation>
    </message>
    <message>
        <source>&amp;Browse…</source>
        <translation>D&amp;urchsuchen…</translation>
    </message>
    <message>
        <source>B&amp;rowse…</source>
        <translation>Durchsu&amp;chen…</translation>
    </message>
    <message>
        <source>Set…</source>
        <translation>Festlegen…</translation>
    </message>
    <message>
        <source>Change…</source>
        <translation>Ändern…</translation>
    </message>
    <message>
        <source>Remove…</source>
        <translation>Entfernen…</translation>
    </message>
    <message>
        <source>RX48P Station - Setup</source>
        <translation>RX48P Station - Einstellungen</translation>
    </message>
    <message>
        <source>a device path, e.g. /dev/pts/3 or /tmp/rx48p-board</source>
        <translation>ein Gerätepfad, z. B. /dev/pts/3 oder /tmp/rx48p-board</translation>
    </message>
    <message>
        <source>name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>its port or device path</source>
        <translation>sein Port oder Gerätepfad</translation>
    </message>
    <message>
        <source>the expected part&apos;s file</source>
        <translation>die Datei des erwarteten Teils</translation>
    </message>
    <message>
        <source>prefix, e.g. LINE1-</source>
        <translation>Präfix, z. B. LINIE1-</translation>
    </message>
    <message>
        <source>none; or postgresql://USER@HOST/DBNAME</source>
        <translation>keiner; oder postgresql://BENUTZER@HOST/DBNAME</translation>
    </message>
    <message>
        <source>&amp;Port</source>
        <translation>&amp;Port</translation>
    </message>
    <message>
        <source>or &amp;device path</source>
        <translation>oder &amp;Gerätepfad</translation>
    </message>
    <message>
        <source>or fixtures</source>
        <translation>oder Prüfplätze</translation>
    </message>
    <message>
        <source>Part &amp;program</source>
        <translation>Teile&amp;programm</translation>
    </message>
    <message>
        <source>&amp;Sensitivity</source>
        <translation>&amp;Empfindlichkeit</translation>
    </message>
    <message>
        <source>B&amp;uzzer</source>
        <translation>&amp;Summer</translation>
    </message>
    <message>
        <source>&amp;Tolerance</source>
        <translation>&amp;Toleranz</translation>
    </message>
    <message>
        <source>Se&amp;rials</source>
        <translation>Se&amp;riennummern</translation>
    </message>
    <message>
        <source>D&amp;atabase</source>
        <translation>&amp;Datenbank</translation>
    </message>
    <message>
        <source>S&amp;erver</source>
        <translation>Ser&amp;ver</translation>
    </message>
    <message>
        <source>Statio&amp;n name</source>
        <translation>Statio&amp;nsname</translation>
    </message>
    <message>
        <source>Setup and taking fixtures out of service then ask for it</source>
        <translation>Einstellungen und das Außer-Betrieb-Nehmen von Prüfplätzen verlangen es dann</translation>
    </message>
    <message>
        <source>Supervisor password</source>
        <translation>Supervisor-Passwort</translation>
    </message>
    <message>
        <source>none: anyone may open Setup</source>
        <translation>keines: jeder darf die Einstellungen öffnen</translation>
    </message>
    <message>
        <source>unreadable: set it again from the command line</source>
        <translation>unlesbar: über die Kommandozeile neu festlegen</translation>
    </message>
    <message>
        <source>set on %1</source>
        <translation>festgelegt am %1</translation>
    </message>
    <message>
        <source>set</source>
        <translation>festgelegt</translation>
    </message>
    <message>
        <source>Part program</source>
        <translation>Teileprogramm</translation>
    </message>
    <message>
        <source>Part files (*.device);;All files (*)</source>
        <translation>Teiledateien (*.device);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Results database</source>
        <translation>Ergebnisdatenbank</translation>
    </message>
    <message>
        <source>SQLite databases (*.sqlite);;All files (*)</source>
        <translation>SQLite-Datenbanken (*.sqlite);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Up to %1 boards tested side by side, each named and on its port; none: the one board on the port above</source>
        <translation>Bis zu %1 Platinen nebeneinander geprüft, jede benannt und an ihrem Port; keine: die eine Platine am Port oben</translation>
    </message>
</context>
<context>
    <name>op::station_session</name>
    <message>
        <source>the station is not taking serials now</source>
        <translation>die Station nimmt gerade keine Seriennummern an</translation>
    </message>
</context>
<context>
    <name>op::station_window</name>
    <message>
        <source>Scan its serial: the next scan goes here</source>
        <translation>Seriennummer scannen: der nächste Scan geht hierher</translation>
    </message>
    <message>
        <source>Waits for a serial after the others</source>
        <translation>Wartet nach den anderen auf eine Seriennummer</translation>
    </message>
    <message>
        <source>passed %1   failed %2   yield %3</source>
        <translation>gut %1   schlecht %2   Quote %3</translation>
    </message>
    <message>
        <source>Program</source>
        <translation>Programm</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Station</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>Database</source>
        <translation>Datenbank</translation>
    </message>
    <message>
        <source>Server</source>
        <translation>Server</translation>
    </message>
    <message>
        <source>Serial</source>
        <translation>Seriennummer</translation>
    </message>
    <message>
        <source>Last parts</source>
        <translation>Letzte Teile</translation>
    </message>
    <message>
        <source>Setup…  (F2)</source>
        <translation>Einstellungen…  (F2)</translation>
    </message>
    <message>
        <source>Start  (Enter)</source>
        <translation>Start  (Eingabe)</translation>
    </message>
    <message>
        <source>Stop  (Esc)</source>
        <translation>Stopp  (Esc)</translation>
    </message>
    <message>
        <source>RX48P Station</source>
        <translation>RX48P Station</translation>
    </message>
    <message>
        <source>scan the part&apos;s serial</source>
        <translation>Seriennummer des Teils scannen</translation>
    </message>
    <message>
        <source>Taking fixture %1 out of service or back needs the supervisor password.</source>
        <translation>Prüfplatz %1 außer Betrieb oder wieder in Betrieb zu nehmen braucht das Supervisor-Passwort.</translation>
    </message>
    <message>
        <source>%1  (firmware %2)</source>
        <translation>%1  (Firmware %2)</translation>
    </message>
    <message>
        <source>RX48P Station - %1</source>
        <translation>RX48P Station - %1</translation>
    </message>
    <message>
        <source>Setup needs the supervisor password.</source>
        <translation>Die Einstellungen brauchen das Supervisor-Passwort.</translation>
    </message>
    <message>
        <source>  held for the next</source>
        <translation>  für den nächsten behalten</translation>
    </message>
    <message>
        <source>Enter starts all, Esc stops all; Ctrl+1..Ctrl+%1 takes fixture 1..%1 out of service after its part, and back</source>
        <translation>Eingabe startet alle, Esc stoppt alle; Strg+1..Strg+%1 nimmt Prüfplatz 1..%1 nach seinem Teil außer Betrieb und wieder in Betrieb</translation>
    </message>
</context>
<context>
    <name>op::trouble_banner</name>
    <message>
        <source>&amp;Reconnect</source>
        <translation>&amp;Neu verbinden</translation>
    </message>
</context>
<context>
    <name>op::verdict_tile</name>
    <message>
        <source>%1  (more in the table)</source>
        <translation>%1  (mehr in der Tabelle)</translation>
    </message>
</context>
<context>
    <name>supervisor_lock</name>
    <message>
        <source>the settings file %1 could not be written</source>
        <translation>die Einstellungsdatei %1 konnte nicht geschrieben werden</translation>
    </message>
    <message>
        <source>the password needs at least %1 characters</source>
        <translation>das Passwort braucht mindestens %1 Zeichen</translation>
    </message>
    <message>
        <source>the two passwords typed differ</source>
        <translation>die beiden eingegebenen Passwörter unterscheiden sich</translation>
    </message>
    <message>
        <source>a supervisor password is already set</source>
        <translation>ein Supervisor-Passwort ist bereits festgelegt</translation>
    </message>
    <message>
        <source>no supervisor password is set</source>
        <translation>kein Supervisor-Passwort ist festgelegt</translation>
    </message>
</context>
<context>
    <name>window_texts</name>
    <message>
        <source>STOPPED</source>
        <translation>GESTOPPT</translation>
    </message>
    <message>
        <source>STARTING</source>
        <translation>STARTET</translation>
    </message>
    <message>
        <source>WAITING FOR PART</source>
        <translation>WARTET AUF TEIL</translation>
    </message>
    <message>
        <source>TESTING</source>
        <translation>PRÜFUNG LÄUFT</translation>
    </message>
    <message>
        <source>PASS</source>
        <translation>GUT</translation>
    </message>
    <message>
        <source>FAIL</source>
        <translation>SCHLECHT</translation>
    </message>
    <message>
        <source>NOT RECORDED</source>
        <translation>NICHT ERFASST</translation>
    </message>
    <message>
        <source>OUT OF SERVICE</source>
        <translation>AUSSER BETRIEB</translation>
    </message>
    <message>
        <source>next: %1</source>
        <translation>nächste: %1</translation>
    </message>
    <message>
        <source>part %1</source>
        <translation>Teil %1</translation>
    </message>
    <message>
        <source>part %1  %2</source>
        <translation>Teil %1  %2</translation>
    </message>
    <message>
        <source>Stopping after this part</source>
        <translation>Stopp nach diesem Teil</translation>
    </message>
    <message>
        <source>Out of service after this part</source>
        <translation>Außer Betrieb nach diesem Teil</translation>
    </message>
    <message>
        <source>Ctrl+%1 puts it back in service</source>
        <translation>Strg+%1 nimmt ihn wieder in Betrieb</translation>
    </message>
    <message>
        <source>Connecting to the board on %1</source>
        <translation>Verbindung zur Platine an %1</translation>
    </message>
    <message>
        <source>Scan the serial of the next part</source>
        <translation>Seriennummer des nächsten Teils scannen</translation>
    </message>
    <message>
        <source>Insert a part</source>
        <translation>Teil einlegen</translation>
    </message>
    <message>
        <source>Insert the next part</source>
        <translation>Nächstes Teil einlegen</translation>
    </message>
    <message>
        <source>Testing: leave the part in the fixture</source>
        <translation>Prüfung läuft: Teil im Prüfplatz lassen</translation>
    </message>
    <message>
        <source>Remove the part</source>
        <translation>Teil entnehmen</translation>
    </message>
    <message>
        <source>Done: 1 part tested</source>
        <translation>Fertig: 1 Teil geprüft</translation>
    </message>
    <message numerus="yes">
        <source>Done: %n parts tested</source>
        <translation>
            <numerusform>Fertig: %n Teil geprüft</numerusform>
            <numerusform>Fertig: %n Teile geprüft</numerusform>
        </translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Gestoppt</translation>
    </message>
    <message>
        <source>Stopped by trouble</source>
        <translation>Durch eine Störung gestoppt</translation>
    </message>
    <message>
        <source>Press Enter to start.</source>
        <translation>Zum Starten Eingabe drücken.</translation>
    </message>
    <message>
        <source>%1. Press Enter to start.</source>
        <translation>%1. Zum Starten Eingabe drücken.</translation>
    </message>
    <message>
        <source>Opening the database %1</source>
        <translation>Datenbank %1 wird geöffnet</translation>
    </message>
    <message>
        <source>Scan the serial for fixture %1</source>
        <translation>Seriennummer für Prüfplatz %1 scannen</translation>
    </message>
    <message>
        <source>(next serial: %1)</source>
        <translation>(nächste Seriennummer: %1)</translation>
    </message>
    <message>
        <source>press Ctrl+%1 twice</source>
        <translation>zweimal Strg+%1 drücken</translation>
    </message>
    <message>
        <source>press Reconnect</source>
        <translation>Neu verbinden drücken</translation>
    </message>
    <message>
        <source>Cannot start: %1</source>
        <translation>Start nicht möglich: %1</translation>
    </message>
    <message>
        <source>Cannot start: every fixture is out of service: Ctrl+1 puts the first back</source>
        <translation>Start nicht möglich: alle Prüfplätze sind außer Betrieb; Strg+1 nimmt den ersten wieder in Betrieb</translation>
    </message>
    <message>
        <source>Not released: %1. Only released programs run here: ask the engineer to release it, or to set up a released one.</source>
        <translation>Nicht freigegeben: %1. Hier laufen nur freigegebene Programme: den Ingenieur bitten, es freizugeben oder ein freigegebenes einzurichten.</translation>
    </message>
    <message>
        <source>The board is gone (%1). Check its cable and power, then %2.</source>
        <translation>Die Platine ist weg (%1). Kabel und Stromversorgung prüfen, dann %2.</translation>
    </message>
    <message>
        <source>The board stopped answering (%1). Check its power and cable, then %2.</source>
        <translation>Die Platine antwortet nicht mehr (%1). Stromversorgung und Kabel prüfen, dann %2.</translation>
    </message>
    <message>
        <source>This part file is not for this board: %1. Choose the program for this board in Setup, or use a board with that firmware.</source>
        <translation>Diese Teiledatei passt nicht zu dieser Platine: %1. Das Programm für diese Platine in Einstellungen wählen oder eine Platine mit dieser Firmware verwenden.</translation>
    </message>
    <message>
        <source>the station</source>
        <translation>die Station</translation>
    </message>
    <message>
        <source>fixture %1</source>
        <translation>Prüfplatz %1</translation>
    </message>
    <message>
        <source>Part %1 could not be recorded, so %2 stopped: %3. Check the database %4 (free space, access), then %5.</source>
        <translation>Teil %1 konnte nicht erfasst werden, daher hat %2 angehalten: %3. Datenbank %4 prüfen (freier Platz, Zugriff), dann %5.</translation>
    </message>
    <message>
        <source>press Start</source>
        <translation>Start drücken</translation>
    </message>
    <message>
        <source>The end of the run could not be recorded: %1. Check the database %2.</source>
        <translation>Das Ende des Laufs konnte nicht erfasst werden: %1. Datenbank %2 prüfen.</translation>
    </message>
    <message>
        <source>The results server is out of reach (%1). The station goes on and keeps every part in %2; they go to the server when it is back.</source>
        <translation>Der Ergebnisserver ist nicht erreichbar (%1). Die Station arbeitet weiter und behält jedes Teil in %2; sie gehen an den Server, sobald er wieder da ist.</translation>
    </message>
    <message>
        <source>The results server is back: forwarding the parts recorded meanwhile.</source>
        <translation>Der Ergebnisserver ist wieder da: die inzwischen erfassten Teile werden übertragen.</translation>
    </message>
    <message>
        <source>The results server cannot take the parts (%1): tell the line&apos;s engineer. The station goes on and keeps every part in %2.</source>
        <translation>Der Ergebnisserver kann die Teile nicht annehmen (%1): dem Ingenieur der Linie Bescheid geben. Die Station arbeitet weiter und behält jedes Teil in %2.</translation>
    </message>
    <message>
        <source>The results server refused part %1 (%2). It stays in %3; tell the line&apos;s engineer.</source>
        <translation>Der Ergebnisserver hat Teil %1 abgelehnt (%2). Es bleibt in %3; dem Ingenieur der Linie Bescheid geben.</translation>
    </message>
    <message>
        <source>not connected</source>
        <translation>nicht angeschlossen</translation>
    </message>
    <message>
        <source>Led anode</source>
        <translation>LED Anode</translation>
    </message>
    <message>
        <source>Led cathode</source>
        <translation>LED Kathode</translation>
    </message>
    <message>
        <source>Led bidirectionnel</source>
        <translation>LED bidirektional</translation>
    </message>
    <message>
        <source>Shortcut</source>
        <translation>Kurzschluss</translation>
    </message>
    <message>
        <source>Common</source>
        <translation>Gemeinsam</translation>
    </message>
    <message>
        <source>Button OFF</source>
        <translation>Taster OFF</translation>
    </message>
    <message>
        <source>Button ON</source>
        <translation>Taster ON</translation>
    </message>
    <message>
        <source>Touch OFF</source>
        <translation>Touch OFF</translation>
    </message>
    <message>
        <source>Touch ON</source>
        <translation>Touch ON</translation>
    </message>
    <message>
        <source>type %1</source>
        <translation>Typ %1</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1&#xa0;s</translation>
    </message>
    <message>
        <source>%1 %</source>
        <translation>%1&#xa0;%</translation>
    </message>
    <message>
        <source>pair %1-%2</source>
        <translation>Paar %1-%2</translation>
    </message>
    <message>
        <source>button %1 (common %2)</source>
        <translation>Taster %1 (gemeinsam %2)</translation>
    </message>
    <message>
        <source>touch %1</source>
        <translation>Touch %1</translation>
    </message>
    <message>
        <source>missing (open)</source>
        <translation>fehlt (offen)</translation>
    </message>
    <message>
        <source>not expected (short)</source>
        <translation>nicht erwartet (Kurzschluss)</translation>
    </message>
    <message>
        <source>pin %1 is %2, expected %3</source>
        <translation>Pin %1 ist %2, erwartet %3</translation>
    </message>
    <message>
        <source>Vdrop(%1-&gt;%2) = %3, expected %4 within %5</source>
        <translation>Vabfall(%1-&gt;%2) = %3, erwartet %4 auf %5 genau</translation>
    </message>
    <message>
        <source>missing</source>
        <translation>fehlt</translation>
    </message>
    <message>
        <source>not expected</source>
        <translation>nicht erwartet</translation>
    </message>
    <message>
        <source>missing from the measure</source>
        <translation>fehlt in der Messung</translation>
    </message>
    <message>
        <source>%1, expected %2</source>
        <translation>%1, erwartet %2</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message numerus="yes">
        <source>and %n more</source>
        <translation>
            <numerusform>und %n weiterer</numerusform>
            <numerusform>und %n weitere</numerusform>
        </translation>
    </message>
    <message>
        <source>measured %1, not on record</source>
        <translation>gemessen %1, nicht erfasst</translation>
    </message>
</context>
</TS>
