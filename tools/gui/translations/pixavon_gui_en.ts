<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>DesktopDialogs</name>
    <message>
        <source>Add pictures</source>
        <translation>Add pictures</translation>
    </message>
    <message>
        <source>Pictures (%1);;All files (*)</source>
        <translation>Pictures (%1);;All files (*)</translation>
    </message>
</context>
<context>
    <name>pixavon::gui::ImportDialog</name>
    <message>
        <source>Import photos</source>
        <translation>Import photos</translation>
    </message>
    <message>
        <source>&amp;Change…</source>
        <translation>&amp;Change…</translation>
    </message>
    <message>
        <source>Import photos into</source>
        <translation>Import photos into</translation>
    </message>
    <message numerus="yes">
        <source>&amp;Selected photos only (%n)</source>
        <translation>
            <numerusform>&amp;Selected photo only (%n)</numerusform>
            <numerusform>&amp;Selected photos only (%n)</numerusform>
        </translation>
    </message>
    <message>
        <source>&amp;Delete from the card after import</source>
        <translation>&amp;Delete from the card after import</translation>
    </message>
    <message>
        <source>Each photo leaves the card only once its file reads back as it was saved.</source>
        <translation>Each photo leaves the card only once its file reads back as it was saved.</translation>
    </message>
    <message>
        <source>&amp;Import</source>
        <translation>&amp;Import</translation>
    </message>
    <message>
        <source>Save to:</source>
        <translation>Save to:</translation>
    </message>
    <message>
        <source>Photos already imported into this folder are skipped.</source>
        <translation>Photos already imported into this folder are skipped.</translation>
    </message>
</context>
<context>
    <name>pixavon::gui::LocaleFileDialog</name>
    <message>
        <source>Up one folder</source>
        <translation>Up one folder</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>C&amp;hoose</source>
        <translation>C&amp;hoose</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>&amp;Open</translation>
    </message>
    <message>
        <source>Folder &amp;name:</source>
        <translation>Folder &amp;name:</translation>
    </message>
    <message>
        <source>File &amp;name:</source>
        <translation>File &amp;name:</translation>
    </message>
    <message>
        <source>&amp;Type:</source>
        <translation>&amp;Type:</translation>
    </message>
    <message>
        <source>There is no folder %1.</source>
        <translation>There is no folder %1.</translation>
    </message>
    <message>
        <source>There is no file %1.</source>
        <translation>There is no file %1.</translation>
    </message>
    <message>
        <source>%1 already exists. Replace it?</source>
        <translation>%1 already exists. Replace it?</translation>
    </message>
</context>
<context>
    <name>pixavon::gui::PhotoModel</name>
    <message>
        <source>Photo %1, imported as %2</source>
        <translation>Photo %1, imported as %2</translation>
    </message>
    <message>
        <source>Photo %1, not yet shown</source>
        <translation>Photo %1, not yet shown</translation>
    </message>
    <message>
        <source>Photo %1, not imported</source>
        <translation>Photo %1, not imported</translation>
    </message>
    <message>
        <source>Photo %1, could not be read from the card</source>
        <translation>Photo %1, could not be read from the card</translation>
    </message>
</context>
<context>
    <name>pixavon::gui::PhotoView</name>
    <message>
        <source>Photo %1</source>
        <translation>Photo %1</translation>
    </message>
    <message>
        <source>As taken, %1 × %2</source>
        <translation>As taken, %1 × %2</translation>
    </message>
    <message>
        <source>Twice the size, sharp</source>
        <translation>Twice the size, sharp</translation>
    </message>
    <message>
        <source>Twice the size, smooth</source>
        <translation>Twice the size, smooth</translation>
    </message>
</context>
</TS>
