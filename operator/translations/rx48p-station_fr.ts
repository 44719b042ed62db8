<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR" sourcelanguage="en">
<context>
    <name>op::setup_dialog</name>
    <message>
        <source>System (%1)</source>
        <translation>Système (%1)</translation>
    </message>
    <message>
        <source>Applies at the next start of the window.</source>
        <translation>S’applique au prochain démarrage de la fenêtre.</translation>
    </message>
    <message>
        <source>&amp;Language</source>
        <translation>&amp;Langue</translation>
    </message>
</context>
</TS>
