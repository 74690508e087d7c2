<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AppSettings</name>
    <message>
        <source>Top Left</source>
        <translation>Oben links</translation>
    </message>
    <message>
        <source>Top Right</source>
        <translation>Oben rechts</translation>
    </message>
    <message>
        <source>Bottom Left</source>
        <translation>Unten links</translation>
    </message>
    <message>
        <source>Bottom Right</source>
        <translation>Unten rechts</translation>
    </message>
    <message>
        <source>Custom</source>
        <translation>Eigene Position</translation>
    </message>
    <message>
        <source>Circle</source>
        <translation>Kreis</translation>
    </message>
    <message>
        <source>Squircle</source>
        <translation>Superkreis</translation>
    </message>
    <message>
        <source>Rectangle</source>
        <translation>Rechteck</translation>
    </message>
    <message>
        <source>Portrait</source>
        <translation>Hochformat</translation>
    </message>
    <message>
        <source>Landscape</source>
        <translation>Querformat</translation>
    </message>
    <message>
        <source>White</source>
        <translation>Weiß</translation>
    </message>
    <message>
        <source>Red</source>
        <translation>Rot</translation>
    </message>
    <message>
        <source>Green</source>
        <translation>Grün</translation>
    </message>
    <message>
        <source>Blue</source>
        <translation>Blau</translation>
    </message>
    <message>
        <source>Yellow</source>
        <translation>Gelb</translation>
    </message>
    <message>
        <source>Purple</source>
        <translation>Lila</translation>
    </message>
    <message>
        <source>Gray</source>
        <translation>Grau</translation>
    </message>
    <message>
        <source>Brown</source>
        <translation>Braun</translation>
    </message>
</context>
<context>
    <name>AppVersion</name>
    <message>
        <source>Version %1 (Build %2)</source>
        <translation>Version %1 (Build %2)</translation>
    </message>
</context>
<context>
    <name>CameraAccessHelp</name>
    <message>
        <source>%1 (process %2)</source>
        <translation>%1 (Prozess %2)</translation>
    </message>
    <message>
        <source>No camera device was found (there is no /dev/video device). Check that the camera is plugged in and switched on; some laptops have a key or a switch that turns the camera off.</source>
        <translation>Es wurde keine Kamera gefunden (es gibt kein /dev/video-Gerät). Prüfen Sie, ob die Kamera angeschlossen und eingeschaltet ist; manche Laptops haben eine Taste oder einen Schalter, der die Kamera abschaltet.</translation>
    </message>
    <message>
        <source>%1 could not be opened: permission denied. It belongs to the group “%2”, and this session is not a member of it.</source>
        <translation>%1 konnte nicht geöffnet werden: Zugriff verweigert. Das Gerät gehört der Gruppe „%2“, und diese Sitzung ist nicht Mitglied dieser Gruppe.</translation>
    </message>
    <message>
        <source>%1 could not be opened: permission denied.</source>
        <translation>%1 konnte nicht geöffnet werden: Zugriff verweigert.</translation>
    </message>
    <message>
        <source>%1 is busy: another program is using the camera.</source>
        <translation>%1 ist belegt: Ein anderes Programm verwendet die Kamera.</translation>
    </message>
    <message>
        <source>%1 could not be opened: %2.</source>
        <translation>%1 konnte nicht geöffnet werden: %2.</translation>
    </message>
    <message>
        <source>%1 is in use by %2. A camera usually serves one program at a time: close the other program and try again.</source>
        <translation>%1 wird von %2 verwendet. Eine Kamera bedient meist nur ein Programm gleichzeitig: Schließen Sie das andere Programm und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>To get access, add your account to that group with

    sudo usermod -aG %1 $USER

then log out and log in again.</source>
        <translation>Um Zugriff zu erhalten, fügen Sie Ihr Benutzerkonto mit

    sudo usermod -aG %1 $USER

zu dieser Gruppe hinzu, melden Sie sich dann ab und wieder an.</translation>
    </message>
    <message>
        <source>Every camera device (%1) can be opened. If the picture still does not appear, another program may be using the camera: close it and try again.</source>
        <translation>Alle Kamerageräte (%1) lassen sich öffnen. Erscheint trotzdem kein Bild, verwendet möglicherweise ein anderes Programm die Kamera: Schließen Sie es und versuchen Sie es erneut.</translation>
    </message>
</context>
<context>
    <name>GlobalShortcuts</name>
    <message>
        <source>space</source>
        <translation>Leertaste</translation>
    </message>
    <message>
        <source>Record Shortcut</source>
        <translation>Kürzel aufnehmen</translation>
    </message>
    <message>
        <source>Press Shortcut</source>
        <translation>Kürzel drücken</translation>
    </message>
    <message>
        <source>This keyboard shortcut cannot be used as it is already used by the “%1” menu item.</source>
        <translation>Dieses Tastenkürzel kann nicht verwendet werden, da es bereits vom Menüeintrag „%1“ belegt ist.</translation>
    </message>
    <message>
        <source>This keyboard shortcut cannot be used as it is reserved for typing.</source>
        <translation>Dieses Tastenkürzel kann nicht verwendet werden, da es für die Texteingabe reserviert ist.</translation>
    </message>
    <message>
        <source>This keyboard shortcut cannot be used as it is already taken by the desktop or another application.</source>
        <translation>Dieses Tastenkürzel kann nicht verwendet werden, da es bereits von der Arbeitsumgebung oder einem anderen Programm belegt ist.</translation>
    </message>
    <message>
        <source>Most desktop shortcuts can be changed in your desktop&apos;s keyboard settings.</source>
        <translation>Die meisten Tastenkürzel der Arbeitsumgebung lassen sich in deren Tastatureinstellungen ändern.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Use Anyway</source>
        <translation>Trotzdem verwenden</translation>
    </message>
</context>
<context>
    <name>Keys</name>
    <message>
        <source>Ctrl</source>
        <translation>Strg</translation>
    </message>
    <message>
        <source>Alt</source>
        <translation>Alt</translation>
    </message>
    <message>
        <source>Shift</source>
        <translation>Umschalt</translation>
    </message>
    <message>
        <source>Super</source>
        <translation>Super</translation>
    </message>
    <message>
        <source>Fn</source>
        <translation>Fn</translation>
    </message>
    <message>
        <source>Return</source>
        <translation>Eingabe</translation>
    </message>
    <message>
        <source>Backspace</source>
        <translation>Rücktaste</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Entf</translation>
    </message>
    <message>
        <source>End</source>
        <translation>Ende</translation>
    </message>
    <message>
        <source>Esc</source>
        <translation>Esc</translation>
    </message>
    <message>
        <source>Insert</source>
        <translation>Einfg</translation>
    </message>
    <message>
        <source>Home</source>
        <translation>Pos1</translation>
    </message>
    <message>
        <source>Tab</source>
        <translation>Tab</translation>
    </message>
    <message>
        <source>Page Up</source>
        <translation>Bild auf</translation>
    </message>
    <message>
        <source>Page Down</source>
        <translation>Bild ab</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>Hoch</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>Rechts</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>Runter</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Links</translation>
    </message>
    <message>
        <source>Num</source>
        <translation>Num</translation>
    </message>
    <message>
        <source>Num Lock</source>
        <translation>Num-Taste</translation>
    </message>
    <message>
        <source>Enter</source>
        <translation>Enter</translation>
    </message>
</context>
<context>
    <name>MoveMode</name>
    <message>
        <source>Drag a camera panel to move it. Press Esc or choose Move Camera Panels again when done.</source>
        <translation>Ziehen Sie ein Kamerafenster, um es zu verschieben. Drücken Sie danach Esc oder wählen Sie erneut „Kamerafenster verschieben“.</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Reset</source>
        <translation>Zurücksetzen</translation>
    </message>
</context>
<context>
    <name>QShortcut</name>
    <message>
        <source>Ctrl</source>
        <translation>Strg</translation>
    </message>
    <message>
        <source>Shift</source>
        <translation>Umschalt</translation>
    </message>
    <message>
        <source>Alt</source>
        <translation>Alt</translation>
    </message>
</context>
<context>
    <name>SettingsWindowHost</name>
    <message>
        <source>Mirelon needs a system tray</source>
        <translation type="vanished">Mirelon benötigt einen Systemabschnitt der Kontrollleiste</translation>
    </message>
    <message>
        <source>Mirelon lives in the system tray, but this desktop shows no tray. Add a system tray to your panel (on GNOME: enable the AppIndicator extension); the Mirelon icon appears there as soon as the tray exists. Meanwhile, your keyboard shortcuts keep working and this window stays available.</source>
        <translation type="vanished">Mirelon wird über den Systemabschnitt der Kontrollleiste bedient, diese Arbeitsumgebung zeigt aber keinen an. Fügen Sie Ihrer Leiste einen Systemabschnitt hinzu (unter GNOME: Erweiterung „AppIndicator“ aktivieren); das Mirelon-Symbol erscheint dort, sobald er vorhanden ist. Bis dahin funktionieren Ihre Tastenkürzel weiter, und dieses Fenster bleibt erreichbar.</translation>
    </message>
    <message>
        <source>Mirelon has no tray icon here</source>
        <translation>Mirelon hat hier kein Symbol im Systemabschnitt der Kontrollleiste</translation>
    </message>
</context>
<context>
    <name>ShortcutNames</name>
    <message>
        <source>Toggle Mirelon</source>
        <translation>Mirelon ein/aus</translation>
    </message>
    <message>
        <source>Toggle Text</source>
        <translation>Text ein/aus</translation>
    </message>
    <message>
        <source>Toggle Ring Light</source>
        <translation>Ringlicht ein/aus</translation>
    </message>
    <message>
        <source>Increase Camera Size</source>
        <translation>Kamerabild vergrößern</translation>
    </message>
    <message>
        <source>Decrease Camera Size</source>
        <translation>Kamerabild verkleinern</translation>
    </message>
    <message>
        <source>Toggle Camera Mirroring</source>
        <translation>Spiegelung ein/aus</translation>
    </message>
    <message>
        <source>Increase Text Size</source>
        <translation>Text vergrößern</translation>
    </message>
    <message>
        <source>Decrease Text Size</source>
        <translation>Text verkleinern</translation>
    </message>
    <message>
        <source>Increase Ring Light Temperature</source>
        <translation>Ringlicht wärmer</translation>
    </message>
    <message>
        <source>Decrease Ring Light Temperature</source>
        <translation>Ringlicht kälter</translation>
    </message>
    <message>
        <source>Increase Ring Light Brightness</source>
        <translation>Ringlicht heller</translation>
    </message>
    <message>
        <source>Decrease Ring Light Brightness</source>
        <translation>Ringlicht dunkler</translation>
    </message>
    <message>
        <source>Move Camera Panels</source>
        <translation>Kamerafenster verschieben</translation>
    </message>
</context>
<context>
    <name>UpdateDialogs</name>
    <message>
        <source>You&apos;re up to date</source>
        <translation>Mirelon ist aktuell</translation>
    </message>
    <message>
        <source>A new version is available</source>
        <translation>Eine neue Version ist verfügbar</translation>
    </message>
    <message>
        <source>Update check failed</source>
        <translation>Suche nach Aktualisierungen fehlgeschlagen</translation>
    </message>
    <message>
        <source>Checking for updates</source>
        <translation>Suche nach Aktualisierungen</translation>
    </message>
</context>
<context>
    <name>UpdateFeed</name>
    <message>
        <source>The update feed is larger than %1 bytes.</source>
        <translation>Die Versionsliste ist größer als %1 Byte.</translation>
    </message>
    <message>
        <source>The update feed declares a document type; refused.</source>
        <translation>Die Versionsliste deklariert einen Dokumenttyp; abgelehnt.</translation>
    </message>
    <message>
        <source>The update feed is not an RSS document.</source>
        <translation>Die Versionsliste ist kein RSS-Dokument.</translation>
    </message>
    <message>
        <source>The update feed could not be read: %1 (line %2).</source>
        <translation>Die Versionsliste konnte nicht gelesen werden: %1 (Zeile %2).</translation>
    </message>
    <message>
        <source>The update feed address is not an http or https address.</source>
        <translation>Die Adresse der Versionsliste ist keine http- oder https-Adresse.</translation>
    </message>
    <message>
        <source>The update feed lists no release.</source>
        <translation>Die Versionsliste enthält keine Version.</translation>
    </message>
</context>
<context>
    <name>mirelon::AboutSettingsView</name>
    <message>
        <source>X social network</source>
        <translation>Soziales Netzwerk X</translation>
    </message>
    <message>
        <source>YouTube</source>
        <translation>YouTube</translation>
    </message>
    <message>
        <source>Official Website</source>
        <translation>Offizielle Webseite</translation>
    </message>
</context>
<context>
    <name>mirelon::CameraAccessHelpDialog</name>
    <message>
        <source>Camera Access</source>
        <translation>Kamerazugriff</translation>
    </message>
    <message>
        <source>Why the camera cannot be used</source>
        <translation>Warum die Kamera nicht verwendet werden kann</translation>
    </message>
    <message>
        <source>Check Again</source>
        <translation>Erneut prüfen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Camera access was refused when the desktop asked.

Allow Mirelon to use the camera in the privacy settings of your desktop, then restart Mirelon.</source>
        <translation>Der Kamerazugriff wurde abgelehnt, als der Desktop nachfragte.

Erlauben Sie Mirelon die Kamera in den Datenschutzeinstellungen Ihres Desktops und starten Sie Mirelon dann neu.</translation>
    </message>
</context>
<context>
    <name>mirelon::CameraAccessRow</name>
    <message>
        <source>Camera connection</source>
        <translation>Kameraverbindung</translation>
    </message>
    <message>
        <source>Automatic</source>
        <translation>Automatisch</translation>
    </message>
    <message>
        <source>PipeWire</source>
        <translation>PipeWire</translation>
    </message>
    <message>
        <source>Direct</source>
        <translation>Direkt</translation>
    </message>
    <message>
        <source>Automatic uses the cameras of the PipeWire session when it offers any, so other apps can show the same camera at the same time; otherwise Mirelon opens the camera devices directly.</source>
        <translation>Automatisch nutzt die Kameras der PipeWire-Sitzung, sofern sie welche anbietet, sodass andere Apps dieselbe Kamera gleichzeitig zeigen können; andernfalls öffnet Mirelon die Kamerageräte direkt.</translation>
    </message>
    <message>
        <source>MIRELON_CAMERA_ACCESS decides for now.</source>
        <translation>Derzeit entscheidet MIRELON_CAMERA_ACCESS.</translation>
    </message>
</context>
<context>
    <name>mirelon::CameraBusyView</name>
    <message>
        <source>%1 is in use by another app.</source>
        <translation>%1 wird von einer anderen App verwendet.</translation>
    </message>
    <message>
        <source>Open camera settings</source>
        <translation>Kameraeinstellungen öffnen</translation>
    </message>
</context>
<context>
    <name>mirelon::CameraPermissionView</name>
    <message>
        <source>Camera permission is not granted.</source>
        <translation>Kein Zugriff auf die Kamera.</translation>
    </message>
    <message>
        <source>Grant access</source>
        <translation>Zugriff erlauben</translation>
    </message>
</context>
<context>
    <name>mirelon::CameraSettingsView</name>
    <message>
        <source>Connected Cameras</source>
        <translation>Angeschlossene Kameras</translation>
    </message>
    <message>
        <source>No camera devices detected</source>
        <translation>Keine Kameras gefunden</translation>
    </message>
    <message>
        <source>Basic</source>
        <translation>Grundlegendes</translation>
    </message>
    <message>
        <source>Shape</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>Aspect Ratio</source>
        <translation>Seitenverhältnis</translation>
    </message>
    <message>
        <source>Orientation</source>
        <translation>Ausrichtung</translation>
    </message>
    <message>
        <source>Corner Radius</source>
        <translation>Eckenradius</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Zoom</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>Shadow</source>
        <translation>Schatten</translation>
    </message>
    <message>
        <source>Border Thickness</source>
        <translation>Rahmenstärke</translation>
    </message>
    <message>
        <source>Border Color</source>
        <translation>Rahmenfarbe</translation>
    </message>
    <message>
        <source>Camera Mirroring</source>
        <translation>Kamera spiegeln</translation>
    </message>
    <message>
        <source>Your face will look the same as it does in a mirror.</source>
        <translation>Ihr Gesicht erscheint so wie im Spiegel.</translation>
    </message>
    <message>
        <source>Reset to default basic settings</source>
        <translation>Grundeinstellungen zurücksetzen</translation>
    </message>
    <message>
        <source>Color</source>
        <translation>Farbe</translation>
    </message>
    <message>
        <source>Saturation</source>
        <translation>Sättigung</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>Kontrast</translation>
    </message>
    <message>
        <source>Brightness</source>
        <translation>Helligkeit</translation>
    </message>
    <message>
        <source>Hue Rotation</source>
        <translation>Farbtondrehung</translation>
    </message>
    <message>
        <source>Color Multiply</source>
        <translation>Farbfilter</translation>
    </message>
    <message>
        <source>Reset to default color settings</source>
        <translation>Farbeinstellungen zurücksetzen</translation>
    </message>
    <message>
        <source>3D Rotate</source>
        <translation>3D-Drehung</translation>
    </message>
    <message>
        <source>X axis</source>
        <translation>X-Achse</translation>
    </message>
    <message>
        <source>Y axis</source>
        <translation>Y-Achse</translation>
    </message>
    <message>
        <source>Z axis</source>
        <translation>Z-Achse</translation>
    </message>
    <message>
        <source>Reset to default 3D rotate settings</source>
        <translation>3D-Drehung zurücksetzen</translation>
    </message>
    <message>
        <source>Editing the appearance of </source>
        <translation>Darstellung bearbeiten für </translation>
    </message>
</context>
<context>
    <name>mirelon::CameraUnavailableView</name>
    <message>
        <source>%1 is unavailable.</source>
        <translation>%1 ist nicht verfügbar.</translation>
    </message>
    <message>
        <source>Open camera settings</source>
        <translation>Hilfe zum Kamerazugriff</translation>
    </message>
</context>
<context>
    <name>mirelon::ConnectedCameraRow</name>
    <message>
        <source>Show this camera</source>
        <translation>Diese Kamera zeigen</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>Overlay enabled</source>
        <translation>Einblendung aktiviert</translation>
    </message>
    <message>
        <source>Overlay disabled</source>
        <translation>Einblendung deaktiviert</translation>
    </message>
</context>
<context>
    <name>mirelon::ContentView</name>
    <message>
        <source>Selected camera</source>
        <translation>Gewählte Kamera</translation>
    </message>
    <message>
        <source>Press and hold Super
to move the window</source>
        <translation>Super gedrückt halten,
um das Fenster zu verschieben</translation>
    </message>
    <message>
        <source>Turn on Move Camera Panels
to move the window</source>
        <translation>Zum Verschieben „Kamerafenster
verschieben“ einschalten</translation>
    </message>
</context>
<context>
    <name>mirelon::DesktopShortcutButton</name>
    <message>
        <source>Add Keyboard Shortcut</source>
        <translation>Tastenkürzel hinzufügen</translation>
    </message>
    <message>
        <source>Add to GNOME</source>
        <translation>Zu GNOME hinzufügen</translation>
    </message>
    <message>
        <source>Adds this shortcut to GNOME&apos;s keyboard settings, where it works whatever window has focus.</source>
        <translation>Fügt dieses Tastenkürzel zu den Tastatureinstellungen von GNOME hinzu, wo es unabhängig vom aktiven Fenster funktioniert.</translation>
    </message>
    <message>
        <source>Record a shortcut first.</source>
        <translation>Nehmen Sie zuerst ein Tastenkürzel auf.</translation>
    </message>
    <message>
        <source>Remove from GNOME</source>
        <translation>Aus GNOME entfernen</translation>
    </message>
    <message>
        <source>GNOME runs “%1” on %2.</source>
        <translation>GNOME führt bei %2 „%1“ aus.</translation>
    </message>
    <message>
        <source>Add “%1” to GNOME&apos;s keyboard settings? GNOME then runs “%2” when you press %3, whatever window has focus. Your other shortcuts stay as they are.</source>
        <translation>„%1“ zu den Tastatureinstellungen von GNOME hinzufügen? GNOME führt dann „%2“ aus, wenn Sie %3 drücken, egal welches Fenster aktiv ist. Ihre anderen Tastenkürzel bleiben unverändert.</translation>
    </message>
</context>
<context>
    <name>mirelon::GeneralSettingsView</name>
    <message>
        <source>Start at login</source>
        <translation>Beim Anmelden starten</translation>
    </message>
    <message>
        <source>Automatically starts the app when you log into or start your computer.</source>
        <translation>Startet das Programm automatisch, wenn Sie sich anmelden oder den Rechner starten.</translation>
    </message>
    <message>
        <source>Hover Transparency</source>
        <translation>Transparenz beim Überfahren</translation>
    </message>
    <message>
        <source>Move Hint on Hover</source>
        <translation>Verschiebe-Hinweis beim Überfahren</translation>
    </message>
    <message>
        <source>Show the “Press and hold Super to move the window” hint when hovering.</source>
        <translation>Den Hinweis „Super gedrückt halten, um das Fenster zu verschieben“ beim Überfahren zeigen.</translation>
    </message>
    <message>
        <source>App Icon</source>
        <translation>Programmsymbol</translation>
    </message>
    <message>
        <source>This icon will appear in the system tray.</source>
        <translation>Dieses Symbol erscheint im Systemabschnitt der Kontrollleiste.</translation>
    </message>
    <message>
        <source>Controls how transparent the camera view becomes on hover. (</source>
        <translation>Legt fest, wie durchsichtig das Kamerabild beim Überfahren wird. (</translation>
    </message>
    <message>
        <source>Camera access</source>
        <translation>Kamerazugriff</translation>
    </message>
    <message>
        <source>Enable Camera Access</source>
        <translation>Kamerazugriff ermöglichen</translation>
    </message>
    <message>
        <source>This is needed to show the camera view on the screen.</source>
        <translation>Wird benötigt, um das Kamerabild auf dem Bildschirm zu zeigen.</translation>
    </message>
    <message>
        <source>Mirelon needs to open the camera device
(/dev/videoN). Your account must be in the group
that owns it, usually “video”, and no other
program may be using the camera.</source>
        <translation>Mirelon muss das Kameragerät (/dev/videoN)
öffnen. Ihr Benutzerkonto muss dazu in der Gruppe
sein, der es gehört, meist „video“, und kein anderes
Programm darf die Kamera gerade verwenden.</translation>
    </message>
    <message>
        <source>Camera access was refused when the desktop asked.
Allow Mirelon to use the camera in the privacy
settings of your desktop, then restart Mirelon.</source>
        <translation>Der Kamerazugriff wurde abgelehnt, als der Desktop nachfragte.
Erlauben Sie Mirelon die Kamera in den Datenschutz-
einstellungen Ihres Desktops und starten Sie Mirelon neu.</translation>
    </message>
    <message>
        <source>Open Camera Settings</source>
        <translation>Hilfe zum Kamerazugriff</translation>
    </message>
    <message>
        <source>Granted</source>
        <translation>Erlaubt</translation>
    </message>
    <message>
        <source>Not Granted</source>
        <translation>Nicht erlaubt</translation>
    </message>
</context>
<context>
    <name>mirelon::GnomeIntegrationRow</name>
    <message>
        <source>GNOME integration</source>
        <translation>GNOME-Integration</translation>
    </message>
    <message>
        <source>Install GNOME integration</source>
        <translation>GNOME-Integration installieren</translation>
    </message>
    <message>
        <source>This installation of Mirelon does not include the GNOME Shell extension.</source>
        <translation>Diese Installation von Mirelon enthält die GNOME-Shell-Erweiterung nicht.</translation>
    </message>
    <message>
        <source>Makes camera panels and the ring light let clicks through to every app, lets shortcuts work whatever has focus and shows Mirelon&apos;s icon in the top bar.</source>
        <translation>Lässt Klicks durch Kamerafenster und Ringlicht zu jeder App durch, lässt Tastenkürzel unabhängig vom aktiven Fenster funktionieren und zeigt das Mirelon-Symbol in der oberen Leiste.</translation>
    </message>
    <message>
        <source>Running: GNOME Shell works together with Mirelon.</source>
        <translation>Aktiv: GNOME Shell arbeitet mit Mirelon zusammen.</translation>
    </message>
    <message>
        <source>Installed, but not running. GNOME Shell starts extensions only when you log in: log out and in again. Installing again also switches it on.</source>
        <translation>Installiert, aber nicht aktiv. GNOME Shell startet Erweiterungen nur bei der Anmeldung: Melden Sie sich ab und wieder an. Erneutes Installieren schaltet sie auch ein.</translation>
    </message>
    <message>
        <source>Installing…</source>
        <translation>Wird installiert …</translation>
    </message>
    <message>
        <source>Installed and switched on. GNOME Shell loads it the next time you log in: log out and in again to use it.</source>
        <translation>Installiert und eingeschaltet. GNOME Shell lädt sie bei der nächsten Anmeldung: Melden Sie sich ab und wieder an, um sie zu nutzen.</translation>
    </message>
    <message>
        <source>Could not install the GNOME integration: %1</source>
        <translation>Die GNOME-Integration konnte nicht installiert werden: %1</translation>
    </message>
</context>
<context>
    <name>mirelon::KeyShortcutsSettingsView</name>
    <message>
        <source>This desktop does not let programs set global shortcuts. To use one, add a custom shortcut in the desktop&apos;s keyboard settings that runs the command of its row (&quot;mirelon --action NAME&quot;); the copy buttons put it on the clipboard.</source>
        <translation>Diese Arbeitsumgebung erlaubt Programmen keine globalen Tastenkürzel. Legen Sie dafür in den Tastatureinstellungen der Arbeitsumgebung ein eigenes Tastenkürzel an, das den Befehl der jeweiligen Zeile ausführt („mirelon --action NAME“); die Kopieren-Knöpfe legen ihn in die Zwischenablage.</translation>
    </message>
    <message>
        <source>Shortcuts recorded here work only while a Mirelon window has focus. To use one anywhere, add a custom shortcut in the desktop&apos;s keyboard settings that runs the command of its row (&quot;mirelon --action NAME&quot;); the copy buttons put it on the clipboard.</source>
        <translation>Hier aufgenommene Tastenkürzel wirken nur, solange ein Mirelon-Fenster den Fokus hat. Um eines überall zu nutzen, legen Sie in den Tastatureinstellungen der Arbeitsumgebung ein eigenes Tastenkürzel an, das den Befehl der jeweiligen Zeile ausführt („mirelon --action NAME“); die Kopieren-Knöpfe legen ihn in die Zwischenablage.</translation>
    </message>
    <message>
        <source>Copy Command</source>
        <translation>Befehl kopieren</translation>
    </message>
    <message>
        <source>Shortcuts recorded here work only while a Mirelon window has focus. &quot;Add to GNOME&quot; puts a row&apos;s shortcut into GNOME&apos;s keyboard settings (after asking), where it works whatever has focus; clearing the row removes it there again.</source>
        <translation>Hier aufgenommene Tastenkürzel funktionieren nur, solange ein Mirelon-Fenster aktiv ist. „Zu GNOME hinzufügen“ überträgt das Tastenkürzel einer Zeile (nach Rückfrage) in die Tastatureinstellungen von GNOME, wo es unabhängig vom aktiven Fenster funktioniert; wird die Zeile geleert, wird es dort wieder entfernt.</translation>
    </message>
</context>
<context>
    <name>mirelon::MirelonSwitchRow</name>
    <message>
        <source>&amp;Quit Mirelon</source>
        <translation>Mirelon &amp;beenden</translation>
    </message>
    <message>
        <source>Mirelon is on</source>
        <translation>Mirelon ist eingeschaltet</translation>
    </message>
    <message>
        <source>Mirelon is off</source>
        <translation>Mirelon ist ausgeschaltet</translation>
    </message>
    <message>
        <source>Turn &amp;Off</source>
        <translation>&amp;Ausschalten</translation>
    </message>
    <message>
        <source>Turn &amp;On</source>
        <translation>&amp;Einschalten</translation>
    </message>
</context>
<context>
    <name>mirelon::RingLightSettingsView</name>
    <message>
        <source>On this version of GNOME the ring light blocks clicks: windows and the top bar beneath it cannot be clicked while it is on. To fix this, install Mirelon&apos;s GNOME integration (General tab) and log in again.</source>
        <translation>In dieser GNOME-Version blockiert das Ringlicht Klicks: Fenster und die obere Leiste darunter lassen sich nicht anklicken, solange es an ist. Abhilfe: Mirelons GNOME-Integration installieren (Reiter „Allgemein“) und neu anmelden.</translation>
    </message>
    <message>
        <source>Select Display</source>
        <translation>Bildschirm wählen</translation>
    </message>
    <message>
        <source>No displays detected</source>
        <translation>Keine Bildschirme gefunden</translation>
    </message>
    <message>
        <source>Display</source>
        <translation>Bildschirm</translation>
    </message>
    <message>
        <source>Enable Ring Light</source>
        <translation>Ringlicht aktivieren</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>Farbtemperatur</translation>
    </message>
    <message>
        <source>Choose warmer (amber) or cooler (blue) light tone.</source>
        <translation>Wählen Sie einen wärmeren (bernsteinfarbenen) oder kühleren (blauen) Lichtton.</translation>
    </message>
    <message>
        <source>Brightness</source>
        <translation>Helligkeit</translation>
    </message>
    <message>
        <source>Controls how thick the ring light appears at the screen edges.</source>
        <translation>Legt fest, wie breit das Ringlicht an den Bildschirmrändern erscheint.</translation>
    </message>
    <message>
        <source>Glow</source>
        <translation>Leuchten</translation>
    </message>
    <message>
        <source>Controls the shadow intensity around the ring light.</source>
        <translation>Legt die Stärke des Schattens um das Ringlicht fest.</translation>
    </message>
    <message>
        <source>Reset to default ring light settings</source>
        <translation>Ringlicht-Einstellungen zurücksetzen</translation>
    </message>
    <message>
        <source>If Ring Light is not enabled on any display, starting Ring Light shows it on the currently active display.</source>
        <translation>Ist das Ringlicht auf keinem Bildschirm aktiviert, erscheint es beim Einschalten auf dem gerade aktiven Bildschirm.</translation>
    </message>
    <message>
        <source>Configuring Ring Light for </source>
        <translation>Ringlicht einrichten für </translation>
    </message>
    <message>
        <source>Ring Light is </source>
        <translation>Ringlicht ist </translation>
    </message>
    <message>
        <source>enabled</source>
        <translation>aktiviert</translation>
    </message>
    <message>
        <source>disabled</source>
        <translation>deaktiviert</translation>
    </message>
    <message>
        <source> for </source>
        <translation> für </translation>
    </message>
    <message>
        <source>the selected display</source>
        <translation>den gewählten Bildschirm</translation>
    </message>
    <message>
        <source>In this Wayland session the ring light keeps no clear spot around the pointer: no program can see where the pointer is over other windows.</source>
        <translation>In dieser Wayland-Sitzung lässt das Ringlicht um den Mauszeiger keine Aussparung frei: Kein Programm kann sehen, wo sich der Zeiger über anderen Fenstern befindet.</translation>
    </message>
    <message>
        <source>The ring light shortcuts for width and temperature change the display where the pointer was last over a camera panel, else the display of the camera panel you moved last, else every lit display.</source>
        <translation>Die Tastenkürzel für Breite und Farbtemperatur des Ringlichts ändern den Bildschirm, auf dem der Zeiger zuletzt über einem Kamerafenster war, sonst den Bildschirm des zuletzt verschobenen Kamerafensters, sonst jeden beleuchteten Bildschirm.</translation>
    </message>
</context>
<context>
    <name>mirelon::SettingsView</name>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>Kamera</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Ring Light</source>
        <translation>Ringlicht</translation>
    </message>
    <message>
        <source>Key Shortcuts</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Mirelon Settings</source>
        <translation>Mirelon-Einstellungen</translation>
    </message>
</context>
<context>
    <name>mirelon::SettingsWindowHost</name>
    <message>
        <source>Mirelon Settings</source>
        <translation>Mirelon-Einstellungen</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>This desktop shows no system tray, so Mirelon&apos;s icon has no place to appear. Turn Mirelon on or off and quit it at the top of the General tab.</source>
        <translation>Diese Arbeitsumgebung zeigt keinen Systemabschnitt der Kontrollleiste, daher hat das Mirelon-Symbol keinen Platz. Oben im Reiter „Allgemein“ schalten Sie Mirelon ein oder aus und beenden es.</translation>
    </message>
    <message>
        <source>Closing this window while Mirelon is off quits it. While it is on, it keeps running: start Mirelon again from your applications to come back here.</source>
        <translation>Wird dieses Fenster geschlossen, während Mirelon ausgeschaltet ist, wird Mirelon beendet. Ist es eingeschaltet, läuft es weiter: Starten Sie Mirelon erneut aus Ihren Anwendungen, um hierher zurückzukehren.</translation>
    </message>
    <message>
        <source>Your keyboard shortcuts work as usual.</source>
        <translation>Ihre Tastenkürzel funktionieren wie gewohnt.</translation>
    </message>
    <message>
        <source>Keyboard shortcuts recorded in Mirelon work here only while a Mirelon window has focus; the Key Shortcuts tab can add them to the desktop&apos;s keyboard settings, where they work everywhere.</source>
        <translation>In Mirelon aufgenommene Tastenkürzel funktionieren hier nur, solange ein Mirelon-Fenster aktiv ist; der Reiter „Tastenkürzel“ kann sie zu den Tastatureinstellungen der Arbeitsumgebung hinzufügen, wo sie überall funktionieren.</translation>
    </message>
    <message>
        <source>This desktop lets no program set global shortcuts; the Key Shortcuts tab shows how to add them to the desktop&apos;s keyboard settings.</source>
        <translation>Diese Arbeitsumgebung erlaubt Programmen keine globalen Tastenkürzel; der Reiter „Tastenkürzel“ zeigt, wie Sie sie in den Tastatureinstellungen der Arbeitsumgebung hinzufügen.</translation>
    </message>
    <message>
        <source>To get the icon back, install GNOME&apos;s AppIndicator extension (package gnome-shell-extension-appindicator) or Mirelon&apos;s own GNOME integration (General tab), then log out and in again.</source>
        <translation>Für das Symbol installieren Sie die AppIndicator-Erweiterung von GNOME (Paket gnome-shell-extension-appindicator) oder Mirelons eigene GNOME-Integration (Reiter „Allgemein“) und melden sich danach ab und wieder an.</translation>
    </message>
    <message>
        <source>To get the icon back, add a system tray to your panel; the icon appears as soon as the tray exists.</source>
        <translation>Für das Symbol fügen Sie Ihrer Leiste einen Systemabschnitt hinzu; das Symbol erscheint, sobald er vorhanden ist.</translation>
    </message>
</context>
<context>
    <name>mirelon::StartAtLogin::Toggle</name>
    <message>
        <source>Launch at login</source>
        <translation>Beim Anmelden starten</translation>
    </message>
</context>
<context>
    <name>mirelon::TextSettingsView</name>
    <message>
        <source>Select Camera</source>
        <translation>Kamera wählen</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>Kamera</translation>
    </message>
    <message>
        <source>No camera devices detected</source>
        <translation>Keine Kameras gefunden</translation>
    </message>
    <message>
        <source>Enable Text</source>
        <translation>Text aktivieren</translation>
    </message>
    <message>
        <source>This can be a great place to put your name or your brand.</source>
        <translation>Ein guter Platz für Ihren Namen oder Ihre Marke.</translation>
    </message>
    <message>
        <source>Insert text here...</source>
        <translation>Text hier eingeben …</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Text</translation>
    </message>
    <message>
        <source> characters remaining</source>
        <translation> Zeichen übrig</translation>
    </message>
    <message>
        <source>Font</source>
        <translation>Schrift</translation>
    </message>
    <message>
        <source>Font Size</source>
        <translation>Schriftgröße</translation>
    </message>
    <message>
        <source>Font Color</source>
        <translation>Schriftfarbe</translation>
    </message>
    <message>
        <source>Background Color</source>
        <translation>Hintergrundfarbe</translation>
    </message>
    <message>
        <source>Background Radius</source>
        <translation>Hintergrundradius</translation>
    </message>
    <message>
        <source>Padding</source>
        <translation>Innenabstand</translation>
    </message>
    <message>
        <source>Reset to default text settings</source>
        <translation>Texteinstellungen zurücksetzen</translation>
    </message>
    <message>
        <source>Editing text for </source>
        <translation>Text bearbeiten für </translation>
    </message>
</context>
<context>
    <name>mirelon::TrayMenu</name>
    <message>
        <source>Start Mirelon</source>
        <translation>Mirelon starten</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Ring Light</source>
        <translation>Ringlicht</translation>
    </message>
    <message>
        <source>Increase Camera Size</source>
        <translation>Kamerabild vergrößern</translation>
    </message>
    <message>
        <source>Decrease Camera Size</source>
        <translation>Kamerabild verkleinern</translation>
    </message>
    <message>
        <source>Toggle Camera Mirroring</source>
        <translation>Spiegelung ein/aus</translation>
    </message>
    <message>
        <source>Increase Text Size</source>
        <translation>Text vergrößern</translation>
    </message>
    <message>
        <source>Decrease Text Size</source>
        <translation>Text verkleinern</translation>
    </message>
    <message>
        <source>Settings...</source>
        <translation>Einstellungen …</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>FAQ</source>
        <translation>Häufige Fragen</translation>
    </message>
    <message>
        <source>Videos</source>
        <translation>Videos</translation>
    </message>
    <message>
        <source>Support</source>
        <translation>Unterstützung</translation>
    </message>
    <message>
        <source>Social</source>
        <translation>Soziale Netzwerke</translation>
    </message>
    <message>
        <source>X</source>
        <translation>X</translation>
    </message>
    <message>
        <source>YouTube</source>
        <translation>YouTube</translation>
    </message>
    <message>
        <source>Check for Updates...</source>
        <translation>Nach Aktualisierungen suchen …</translation>
    </message>
    <message>
        <source>Website</source>
        <translation>Webseite</translation>
    </message>
    <message>
        <source>Suggest Idea</source>
        <translation>Idee vorschlagen</translation>
    </message>
    <message>
        <source>More Apps</source>
        <translation>Weitere Programme</translation>
    </message>
    <message>
        <source>Quit Mirelon</source>
        <translation>Mirelon beenden</translation>
    </message>
    <message>
        <source>Stop Mirelon</source>
        <translation>Mirelon anhalten</translation>
    </message>
    <message>
        <source>Move Camera Panels</source>
        <translation>Kamerafenster verschieben</translation>
    </message>
</context>
<context>
    <name>mirelon::UpdateDialogs</name>
    <message>
        <source>Mirelon %1 is currently the newest version available.</source>
        <translation>Mirelon %1 ist die neueste verfügbare Version.</translation>
    </message>
    <message>
        <source>Mirelon %1 is now available; you have %2.</source>
        <translation>Mirelon %1 ist verfügbar; installiert ist %2.</translation>
    </message>
    <message>
        <source>Download...</source>
        <translation>Herunterladen …</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Später</translation>
    </message>
    <message>
        <source>The update check is still running. Its answer will be shown when it arrives.</source>
        <translation>Die Suche nach Aktualisierungen läuft noch. Das Ergebnis wird angezeigt, sobald es vorliegt.</translation>
    </message>
</context>
<context>
    <name>mirelon::MirelonApp</name>
    <message>
        <source>Settings are not saved</source>
        <translation>Einstellungen werden nicht gespeichert</translation>
    </message>
    <message>
        <source>Mirelon does not save its settings to %1, because that is not an ordinary file. Your changes apply until Mirelon quits.</source>
        <translation>Mirelon speichert seine Einstellungen nicht in %1, weil das keine gewöhnliche Datei ist. Ihre Änderungen gelten, bis Mirelon beendet wird.</translation>
    </message>
    <message>
        <source>Camera access refused</source>
        <translation>Kamerazugriff abgelehnt</translation>
    </message>
    <message>
        <source>Mirelon may not use the camera: access was refused when the desktop asked. Allow Mirelon to use the camera in the privacy settings of your desktop, then restart Mirelon.</source>
        <translation>Mirelon darf die Kamera nicht verwenden: Der Zugriff wurde abgelehnt, als der Desktop nachfragte. Erlauben Sie Mirelon die Kamera in den Datenschutzeinstellungen Ihres Desktops und starten Sie Mirelon dann neu.</translation>
    </message>
</context>
</TS>
