<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en">
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
</context>
</TS>
