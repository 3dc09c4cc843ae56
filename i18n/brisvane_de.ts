<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>AlarmListView</name>
    <message>
        <source>Brisvane</source>
        <translation>Brisvane</translation>
    </message>
    <message>
        <source>No alarms set.</source>
        <translation>Keine Wecker gestellt.</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Uhrzeit</translation>
    </message>
    <message>
        <source>Label (optional)</source>
        <translation>Bezeichnung (optional)</translation>
    </message>
    <message>
        <source>Repeat daily</source>
        <translation>Täglich wiederholen</translation>
    </message>
    <message>
        <source>Add Alarm</source>
        <translation>Wecker stellen</translation>
    </message>
    <message>
        <source>Test Alert</source>
        <translation>Testalarm</translation>
    </message>
    <message>
        <source>Open at login</source>
        <translation>Beim Anmelden öffnen</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Test</source>
        <extracomment>The label of the alert that &quot;Test Alert&quot; shows.</extracomment>
        <translation>Test</translation>
    </message>
    <message>
        <source>Alarms could not be saved: %1; they ring while Brisvane runs</source>
        <extracomment>%1 is the system&apos;s reason, such as &quot;No space left on device&quot;.</extracomment>
        <translation>Wecker konnten nicht gespeichert werden: %1; sie klingeln, solange Brisvane läuft</translation>
    </message>
    <message>
        <source>Snooze 5 min</source>
        <translation>5 Min. schlummern</translation>
    </message>
    <message>
        <source>Dismiss</source>
        <translation>Ausschalten</translation>
    </message>
    <message>
        <source>Ringing: %1</source>
        <translation>Klingelt: %1</translation>
    </message>
</context>
<context>
    <name>AlarmRow</name>
    <message>
        <source>Snoozed</source>
        <translation>Schlummert</translation>
    </message>
    <message>
        <source>Every day</source>
        <translation>Täglich</translation>
    </message>
    <message>
        <source>Once · finished</source>
        <translation>Einmal · erledigt</translation>
    </message>
    <message>
        <source>Once · today</source>
        <translation>Einmal · heute</translation>
    </message>
    <message>
        <source>Once · tomorrow</source>
        <translation>Einmal · morgen</translation>
    </message>
    <message>
        <source>Once · %1</source>
        <extracomment>%1 is the date in the locale&apos;s abbreviated style, such as &quot;Jan 9, 2026&quot;.</extracomment>
        <translation>Einmal · %1</translation>
    </message>
    <message>
        <source>On, %1</source>
        <extracomment>The switch of an alarm that is on; %1 is the alarm&apos;s time and label.</extracomment>
        <translation>Ein, %1</translation>
    </message>
    <message>
        <source>Off, %1</source>
        <extracomment>The switch of an alarm that is off; %1 is the alarm&apos;s time and label.</extracomment>
        <translation>Aus, %1</translation>
    </message>
    <message>
        <source>Delete alarm</source>
        <translation>Wecker löschen</translation>
    </message>
    <message>
        <source>Delete alarm %1</source>
        <extracomment>The bin button for a screen reader; %1 is the alarm&apos;s time and label.</extracomment>
        <translation>Wecker %1 löschen</translation>
    </message>
</context>
<context>
    <name>AlarmStore</name>
    <message>
        <source>an alarm has no time that can be stored</source>
        <translation>ein Wecker hat keine Zeit, die sich speichern lässt</translation>
    </message>
    <message>
        <source>unknown error</source>
        <translation>unbekannter Fehler</translation>
    </message>
</context>
<context>
    <name>AlertPanel</name>
    <message>
        <source>Brisvane</source>
        <translation>Brisvane</translation>
    </message>
</context>
<context>
    <name>AlertView</name>
    <message>
        <source>Brisvane</source>
        <translation>Brisvane</translation>
    </message>
    <message>
        <source>Snooze 5 min</source>
        <translation>5 Min. schlummern</translation>
    </message>
    <message>
        <source>Dismiss</source>
        <translation>Ausschalten</translation>
    </message>
</context>
<context>
    <name>CreditLine</name>
    <message>
        <source>Thoughtful software</source>
        <translation>Durchdachte Software</translation>
    </message>
    <message>
        <source>Crafted with care</source>
        <translation>Mit Sorgfalt gefertigt</translation>
    </message>
    <message>
        <source>Quillmere</source>
        <extracomment>The maker&apos;s name, a link to the maker&apos;s web site.</extracomment>
        <translation>Quillmere</translation>
    </message>
</context>
<context>
    <name>DesktopTray</name>
    <message>
        <source>Brisvane</source>
        <translation>Brisvane</translation>
    </message>
    <message>
        <source>Open Brisvane</source>
        <translation>Brisvane öffnen</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Snooze 5 min</source>
        <translation>5 Min. schlummern</translation>
    </message>
    <message>
        <source>Dismiss</source>
        <translation>Ausschalten</translation>
    </message>
</context>
<context>
    <name>TrayController</name>
    <message>
        <source>No alarms set.</source>
        <translation>Keine Wecker gestellt.</translation>
    </message>
    <message>
        <source>No alarm is on.</source>
        <translation>Kein Wecker ist eingeschaltet.</translation>
    </message>
    <message>
        <source>Next: %1 today</source>
        <extracomment>%1 is the alarm&apos;s label and time, such as &quot;Dentist · 07:30&quot;.</extracomment>
        <translation>Nächster: %1 heute</translation>
    </message>
    <message>
        <source>Next: %1 tomorrow</source>
        <translation>Nächster: %1 morgen</translation>
    </message>
    <message>
        <source>Next: %1, %2</source>
        <extracomment>%1 is the alarm&apos;s label and time, %2 its date in the locale&apos;s abbreviated style.</extracomment>
        <translation>Nächster: %1, %2</translation>
    </message>
    <message>
        <source>Brisvane is still running</source>
        <translation>Brisvane läuft weiter</translation>
    </message>
    <message>
        <source>Your alarms ring with the window closed. To open it again, start Brisvane once more; &quot;Quit&quot; in the window ends it.</source>
        <translation>Ihre Wecker klingeln auch bei geschlossenem Fenster. Um es wieder zu öffnen, starten Sie Brisvane noch einmal; „Beenden“ im Fenster beendet es.</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Brisvane</source>
        <translation>Brisvane</translation>
    </message>
</context>
</TS>
