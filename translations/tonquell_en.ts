<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="de">
<context>
    <name>BatchWindow</name>
    <message>
        <source>%1

Es wurde nichts konvertiert.</source>
        <extracomment>%1 is why the output folder cannot take the run</extracomment>
        <translation>%1

Nothing was converted.</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Bitrate</source>
        <translation>Bitrate</translation>
    </message>
    <message>
        <source>%1 KB/s</source>
        <translation>%1 kbit/s</translation>
    </message>
    <message>
        <source>Ordner und Dateien</source>
        <translation>Folders and files</translation>
    </message>
    <message>
        <source>Ins Wurzelverzeichnis wechseln</source>
        <translation>Go to the root folder</translation>
    </message>
    <message>
        <source>eine Verzeichnisebene höher</source>
        <translation>Up one folder</translation>
    </message>
    <message>
        <source>Aktualisieren</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>BeSweet Box verstecken</source>
        <translation>Hide BeSweet box</translation>
    </message>
    <message>
        <source>Formate zeigen:</source>
        <translation>Show formats:</translation>
    </message>
    <message>
        <source>erlaubte Formate</source>
        <translation>all supported</translation>
    </message>
    <message>
        <source>Pfad-Einstellungen</source>
        <translation>Folder settings</translation>
    </message>
    <message>
        <source>Verzeichnisse ausblenden</source>
        <translation>Hide folders</translation>
    </message>
    <message>
        <source>kompletten Ordner konvertieren</source>
        <translation>Convert the whole folder</translation>
    </message>
    <message>
        <source>Fortschritt</source>
        <translation>Progress</translation>
    </message>
    <message>
        <source>WAV-Optionen:</source>
        <translation>WAV options:</translation>
    </message>
    <message>
        <source>MP3-Optionen:</source>
        <translation>MP3 options:</translation>
    </message>
    <message>
        <source>AC3-Optionen:</source>
        <translation>AC3 options:</translation>
    </message>
    <message>
        <source>MPA-Optionen:</source>
        <translation>MPA options:</translation>
    </message>
    <message>
        <source>Ausgabeformat:</source>
        <translation>Output format:</translation>
    </message>
    <message>
        <source>Sampling Frequenz:</source>
        <translation>Sample rate:</translation>
    </message>
    <message>
        <source>unverändert</source>
        <translation>unchanged</translation>
    </message>
    <message>
        <source>Normalisieren</source>
        <translation>Normalise</translation>
    </message>
    <message>
        <source>AC3 --&gt; 6 WAV-Dateien</source>
        <translation>AC3 --&gt; 6 WAV files</translation>
    </message>
    <message>
        <source>44.1 kHz erzwingen</source>
        <translation>force 44.1 kHz</translation>
    </message>
    <message>
        <source>48 kHz erzwingen</source>
        <translation>force 48 kHz</translation>
    </message>
    <message>
        <source>Arbeitspfade:</source>
        <translation>Working folders:</translation>
    </message>
    <message>
        <source>Aktueller Pfad:</source>
        <translation>Current folder:</translation>
    </message>
    <message>
        <source>Ausgabepfad:</source>
        <translation>Output folder:</translation>
    </message>
    <message>
        <source>Durchsuchen</source>
        <translation>Browse</translation>
    </message>
    <message>
        <source>Ausgabepfad = Aktueller Pfad</source>
        <translation>Output folder = current folder</translation>
    </message>
    <message>
        <source>vorhandene Ziele überspringen</source>
        <translation>skip existing targets</translation>
    </message>
    <message>
        <source>Quellen, deren Ziel schon existiert, werden nicht noch einmal konvertiert</source>
        <translation>Sources whose target exists already are not converted again</translation>
    </message>
    <message>
        <source>Bitrate: %1 KB/s</source>
        <translation>Bitrate: %1 kbit/s</translation>
    </message>
    <message>
        <source>Konvertierung starten</source>
        <translation>Start conversion</translation>
    </message>
    <message>
        <source>Stapelverarbeitung</source>
        <translation>Batch conversion</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>Messages</name>
    <message>
        <source>Die erforderliche Datei &apos;BeSweet.exe&apos; wurde nicht gefunden.   </source>
        <translation>The required file &apos;BeSweet.exe&apos; was not found.   </translation>
    </message>
</context>
<context>
    <name>RunReport</name>
    <message>
        <source>Fehlgeschlagen (%1)</source>
        <translation>Failed (%1)</translation>
    </message>
    <message>
        <source>Nicht konvertiert, weil das Ziel schon existiert (%1)</source>
        <translation>Not converted because the target exists already (%1)</translation>
    </message>
    <message>
        <source>Abgebrochen (%1)</source>
        <translation>Stopped (%1)</translation>
    </message>
    <message>
        <source>Mit Warnungen konvertiert (%1)</source>
        <translation>Converted with warnings (%1)</translation>
    </message>
    <message>
        <source>Übersprungen, Ziel vorhanden (%1)</source>
        <translation>Skipped, target exists (%1)</translation>
    </message>
    <message>
        <source>Konvertiert (%1)</source>
        <translation>Converted (%1)</translation>
    </message>
    <message>
        <source>%1 konvertiert, %2 mit Warnungen, %3 übersprungen, %4 abgelehnt, %5 fehlgeschlagen, %6 abgebrochen</source>
        <translation>%1 converted, %2 with warnings, %3 skipped, %4 refused, %5 failed, %6 stopped</translation>
    </message>
    <message>
        <source>Abgebrochen</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>Keine passenden Dateien gefunden</source>
        <translation>No matching files found</translation>
    </message>
    <message numerus="yes">
        <source>%n Dateien konvertiert</source>
        <translation>
            <numerusform>%n file converted</numerusform>
            <numerusform>%n files converted</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 konvertiert</source>
        <translation>%1 converted</translation>
    </message>
    <message>
        <source>%1 übersprungen</source>
        <translation>%1 skipped</translation>
    </message>
    <message>
        <source>%1 abgelehnt</source>
        <translation>%1 refused</translation>
    </message>
    <message>
        <source>%1 fehlgeschlagen</source>
        <translation>%1 failed</translation>
    </message>
    <message>
        <source>%1 abgebrochen</source>
        <translation>%1 stopped</translation>
    </message>
    <message>
        <source>, </source>
        <comment>between the counts in the title</comment>
        <translation>, </translation>
    </message>
    <message>
        <source>BeSweet.exe konnte nicht gestartet werden</source>
        <translation>BeSweet.exe could not be started</translation>
    </message>
    <message>
        <source>BeSweet.exe konnte nicht gestartet werden: %1</source>
        <translation>BeSweet.exe could not be started: %1</translation>
    </message>
    <message>
        <source>BeSweet.exe endete mit dem Status %1</source>
        <translation>BeSweet.exe ended with status %1</translation>
    </message>
    <message>
        <source>BeSweet.exe meldete Erfolg, hat aber keine Ausgabedatei erzeugt</source>
        <translation>BeSweet.exe reported success but made no output file</translation>
    </message>
    <message>
        <source>Die ID3-Tags konnten nicht in &apos;%1&apos; geschrieben werden</source>
        <translation>The ID3 tags could not be written into &apos;%1&apos;</translation>
    </message>
    <message>
        <source>ID3-Tags: %1</source>
        <translation>ID3 tags: %1</translation>
    </message>
    <message>
        <source>Der Name der Ausgabedatei wäre mit %1 Bytes länger, als der Ordner erlaubt (höchstens %2)</source>
        <translation>The output file&apos;s name would be %1 bytes long, longer than the folder allows (at most %2)</translation>
    </message>
    <message>
        <source>Ziel vorhanden: %1</source>
        <translation>Target exists: %1</translation>
    </message>
    <message>
        <source>Datei &apos;%1&apos; existiert bereits.</source>
        <translation>File &apos;%1&apos; already exists.</translation>
    </message>
    <message>
        <source>Die Quelldatei ist nicht mehr vorhanden</source>
        <translation>The source file is gone</translation>
    </message>
    <message>
        <source>&apos;%1&apos; ist eine Verknüpfung; durch sie wird nicht geschrieben</source>
        <translation>&apos;%1&apos; is a link; nothing is written through it</translation>
    </message>
    <message>
        <source>&apos;%1&apos; ist kein Ordner</source>
        <translation>&apos;%1&apos; is not a folder</translation>
    </message>
    <message>
        <source>Der Ordner &apos;%1&apos; konnte nicht angelegt werden: %2</source>
        <translation>The folder &apos;%1&apos; could not be made: %2</translation>
    </message>
    <message>
        <source>Der Ordner konnte nicht gelesen werden: %1</source>
        <translation>The folder could not be read: %1</translation>
    </message>
    <message>
        <source>Es ist kein Ausgabepfad angegeben. Bitte einen Ordner eintragen oder mit &quot;...&quot; wählen, oder &quot;Ausgabepfad = Aktueller Pfad&quot; ankreuzen.</source>
        <translation>No output folder is given. Enter a folder or choose one with &quot;...&quot;, or tick &quot;Output folder = current folder&quot;.</translation>
    </message>
    <message>
        <source>Der Ausgabepfad &apos;%1&apos; ist kein vollständiger Pfad; er muss mit &quot;/&quot; beginnen.</source>
        <translation>The output folder &apos;%1&apos; is not a full path; it must begin with &quot;/&quot;.</translation>
    </message>
    <message>
        <source>Der Ausgabepfad &apos;%1&apos; ist kein Ordner.</source>
        <translation>The output folder &apos;%1&apos; is not a folder.</translation>
    </message>
    <message>
        <source>Der Ausgabeordner &apos;%1&apos; fehlt und konnte nicht angelegt werden: %2</source>
        <translation>The output folder &apos;%1&apos; is missing and could not be made: %2</translation>
    </message>
    <message>
        <source>In den Ausgabeordner &apos;%1&apos; kann nicht geschrieben werden: %2</source>
        <translation>The output folder &apos;%1&apos; cannot be written: %2</translation>
    </message>
</context>
<context>
    <name>RunReportDialog</name>
    <message>
        <source>Datei</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Ergebnis</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>Liste kopieren</source>
        <translation>Copy list</translation>
    </message>
</context>
<context>
    <name>Usage</name>
    <message>
        <source>Aufruf: %1 [DATEI]
        %1 --help | --version

Öffnet das Fenster von %2. Mit DATEI (einer Audiodatei) öffnet die
Dateiauswahl den Ordner von DATEI und wählt DATEI darin aus. Läuft das Programm
schon, übergibt ein neuer Start DATEI an sein Fenster und endet. Eine DATEI, deren
Name mit &quot;-&quot; beginnt, wird als ./-NAME oder nach &quot;--&quot; angegeben.

Optionen:
  -h, --help     gibt diesen Text aus und endet
      --version  gibt die Version aus und endet

</source>
        <translation>Usage: %1 [FILE]
       %1 --help | --version

Opens the window of %2. With FILE (an audio file) the file
browser opens FILE&apos;s folder with FILE selected. While the program runs already, a
new start hands FILE to its window and ends. A FILE whose name begins with &quot;-&quot; is
given as ./-NAME or after &quot;--&quot;.

Options:
  -h, --help     print this text and end
      --version  print the version and end

</translation>
    </message>
    <message>
        <source>Einstellungsdatei: %1
</source>
        <translation>Settings file: %1
</translation>
    </message>
    <message>
        <source>(keine: kein Home-Ordner)</source>
        <translation>(none: no home folder)</translation>
    </message>
    <message>
        <source>  (%1, wo der Ordner des Programms nicht beschreibbar ist)
</source>
        <translation>  (%1 where the program&apos;s folder cannot be written)
</translation>
    </message>
    <message>
        <source>Schlüssel aus ihrem Abschnitt [%1]:
</source>
        <translation>Keys read from its section [%1]:
</translation>
    </message>
    <message>
        <source>%1: unbekannte Option &apos;%2&apos; (siehe --help; eine Datei dieses Namens wird als ./%2 oder nach -- angegeben)
</source>
        <translation>%1: unknown option &apos;%2&apos; (see --help; a file named so is given as ./%2 or after --)
</translation>
    </message>
    <message>
        <source>  LastDir  der Ordner, der ohne DATEI geöffnet wird (Vorgabe: der Ordner des Programms)
  Format   das Ausgabeformat: 0 WAV, 1 MP3, 2 AC3, 3 MPA (Vorgabe 0)
  HideBS   1 versteckt das Konsolenfenster des Transcoders, 0 zeigt es (Vorgabe 1)
  Jobs     wie viele Dateien ein Stapel zugleich konvertiert (Vorgabe: eine je Kern,
           höchstens 8)
  OutPath  der zuletzt gewählte Ausgabeordner; gezeigt, wenn &quot;Ausgabepfad = Aktueller
           Pfad&quot; nicht angekreuzt ist
  SkipExisting  1 überspringt Quellen, deren Ziel schon existiert (Vorgabe 0)
</source>
        <translation>  LastDir  the folder opened without FILE (default: the program&apos;s folder)
  Format   the target format: 0 WAV, 1 MP3, 2 AC3, 3 MPA (default 0)
  HideBS   1 hides the transcoder&apos;s console window, 0 shows it (default 1)
  Jobs     how many files a batch converts at once (default: one per core, at most 8)
  OutPath  the output folder last chosen; shown when &quot;Output folder = current folder&quot;
           is unticked
  SkipExisting  1 skips sources whose target exists already (default 0)
</translation>
    </message>
</context>
</TS>
