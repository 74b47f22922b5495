<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="de">
<context>
    <name>RunReport</name>
    <message numerus="yes">
        <source>%n Dateien konvertiert</source>
        <translation>
            <numerusform>%n Datei konvertiert</numerusform>
            <numerusform>%n Dateien konvertiert</numerusform>
        </translation>
    </message>
</context>
</TS>
