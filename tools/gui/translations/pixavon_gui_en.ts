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
    <name>Phrases</name>
    <message>
        <source>Importing photo %1 of %2</source>
        <translation>Importing photo %1 of %2</translation>
    </message>
    <message>
        <source>Adding picture %1 of %2</source>
        <translation>Adding picture %1 of %2</translation>
    </message>
    <message>
        <source>Saving photo %1 of %2</source>
        <translation>Saving photo %1 of %2</translation>
    </message>
    <message>
        <source>Deleting photos</source>
        <translation>Deleting photos</translation>
    </message>
    <message>
        <source>Backing up the card</source>
        <translation>Backing up the card</translation>
    </message>
    <message>
        <source>Restoring the card; this cannot be stopped</source>
        <translation>Restoring the card; this cannot be stopped</translation>
    </message>
    <message>
        <source>Formatting the card</source>
        <translation>Formatting the card</translation>
    </message>
    <message>
        <source>Rescuing photos</source>
        <translation>Rescuing photos</translation>
    </message>
    <message>
        <source>Reading the card</source>
        <translation>Reading the card</translation>
    </message>
    <message numerus="yes">
        <source>about %n seconds left</source>
        <translation>
            <numerusform>about %n second left</numerusform>
            <numerusform>about %n seconds left</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>about %n minutes left</source>
        <translation>
            <numerusform>about %n minute left</numerusform>
            <numerusform>about %n minutes left</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Delete %n photos from the card?</source>
        <translation>
            <numerusform>Delete %n photo from the card?</numerusform>
            <numerusform>Delete %n photos from the card?</numerusform>
        </translation>
    </message>
    <message>
        <source>Photos that were not imported are lost.</source>
        <translation>Photos that were not imported are lost.</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Format the card?</source>
        <translation>Format the card?</translation>
    </message>
    <message>
        <source>Every photo on the card is erased.</source>
        <translation>Every photo on the card is erased.</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>Restore the card from this backup?</source>
        <translation>Restore the card from this backup?</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>Repair the card&apos;s photo list?</source>
        <translation>Repair the card&apos;s photo list?</translation>
    </message>
    <message>
        <source>Repair</source>
        <translation>Repair</translation>
    </message>
    <message>
        <source>Go on?</source>
        <translation>Go on?</translation>
    </message>
    <message>
        <source>Go on</source>
        <translation>Go on</translation>
    </message>
    <message>
        <source>Nothing was changed.</source>
        <translation>Nothing was changed.</translation>
    </message>
    <message>
        <source>Stopped. %1</source>
        <translation>Stopped. %1</translation>
    </message>
    <message>
        <source>The card image %1 could not be opened.</source>
        <translation>The card image %1 could not be opened.</translation>
    </message>
    <message>
        <source>It may not be a card image, or it cannot be read or written.</source>
        <translation>It may not be a card image, or it cannot be read or written.</translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n photos saved before you stopped.</source>
        <translation>
            <numerusform>%1 of %n photo saved before you stopped.</numerusform>
            <numerusform>%1 of %n photos saved before you stopped.</numerusform>
        </translation>
    </message>
    <message>
        <source>There were no new photos to import.</source>
        <translation>There were no new photos to import.</translation>
    </message>
    <message numerus="yes">
        <source>%n photos imported.</source>
        <translation>
            <numerusform>%n photo imported.</numerusform>
            <numerusform>%n photos imported.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The import stopped after %n photos.</source>
        <translation>
            <numerusform>The import stopped after %n photo.</numerusform>
            <numerusform>The import stopped after %n photos.</numerusform>
        </translation>
    </message>
    <message>
        <source>Folder: %1</source>
        <translation>Folder: %1</translation>
    </message>
    <message numerus="yes">
        <source>%n duplicates on the card skipped.</source>
        <translation>
            <numerusform>%n duplicate on the card skipped.</numerusform>
            <numerusform>%n duplicates on the card skipped.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n photos were imported before and skipped.</source>
        <translation>
            <numerusform>%n photo was imported before and skipped.</numerusform>
            <numerusform>%n photos were imported before and skipped.</numerusform>
        </translation>
    </message>
    <message>
        <source>&amp;Open folder</source>
        <translation>&amp;Open folder</translation>
    </message>
    <message numerus="yes">
        <source>%n pictures added to the card.</source>
        <translation>
            <numerusform>%n picture added to the card.</numerusform>
            <numerusform>%n pictures added to the card.</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 of %2 pictures were added.</source>
        <translation>%1 of %2 pictures were added.</translation>
    </message>
    <message>
        <source>The card may be full, or a file is not a picture that can be read.</source>
        <translation>The card may be full, or a file is not a picture that can be read.</translation>
    </message>
    <message numerus="yes">
        <source>%n photos saved.</source>
        <translation>
            <numerusform>%n photo saved.</numerusform>
            <numerusform>%n photos saved.</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 of %2 photos were saved.</source>
        <translation>%1 of %2 photos were saved.</translation>
    </message>
    <message>
        <source>A file of that name may be there already (nothing is replaced), or the folder cannot be written to.</source>
        <translation>A file of that name may be there already (nothing is replaced), or the folder cannot be written to.</translation>
    </message>
    <message numerus="yes">
        <source>%n photos deleted.</source>
        <translation>
            <numerusform>%n photo deleted.</numerusform>
            <numerusform>%n photos deleted.</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 of %2 photos were deleted.</source>
        <translation>%1 of %2 photos were deleted.</translation>
    </message>
    <message>
        <source>Check that the camera is connected, then choose Reload.</source>
        <translation>Check that the camera is connected, then choose Reload.</translation>
    </message>
    <message>
        <source>The card was backed up to %1.</source>
        <translation>The card was backed up to %1.</translation>
    </message>
    <message>
        <source>The backup was not finished; its file was not kept.</source>
        <translation>The backup was not finished; its file was not kept.</translation>
    </message>
    <message>
        <source>The card could not be backed up.</source>
        <translation>The card could not be backed up.</translation>
    </message>
    <message>
        <source>Check that the folder can be written to and has room, and that the camera is connected.</source>
        <translation>Check that the folder can be written to and has room, and that the camera is connected.</translation>
    </message>
    <message>
        <source>The card was restored.</source>
        <translation>The card was restored.</translation>
    </message>
    <message>
        <source>The card could not be restored.</source>
        <translation>The card could not be restored.</translation>
    </message>
    <message>
        <source>The card was formatted.</source>
        <translation>The card was formatted.</translation>
    </message>
    <message>
        <source>The card could not be formatted.</source>
        <translation>The card could not be formatted.</translation>
    </message>
    <message>
        <source>Check that the camera is connected, then try again.</source>
        <translation>Check that the camera is connected, then try again.</translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n photos saved to %2 before you stopped.</source>
        <translation>
            <numerusform>%1 of %n photo saved to %2 before you stopped.</numerusform>
            <numerusform>%1 of %n photos saved to %2 before you stopped.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n photos saved to %1.</source>
        <translation>
            <numerusform>%n photo saved to %1.</numerusform>
            <numerusform>%n photos saved to %1.</numerusform>
        </translation>
    </message>
    <message>
        <source>The card&apos;s photo list was repaired: the card is ready to use again.</source>
        <translation>The card&apos;s photo list was repaired: the card is ready to use again.</translation>
    </message>
    <message numerus="yes">
        <source>The photos on the card now are replaced by the %n photos in the backup.</source>
        <translation>
            <numerusform>The photos on the card now are replaced by the %n photo in the backup.</numerusform>
            <numerusform>The photos on the card now are replaced by the %n photos in the backup.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The %n pictures have been saved. Repairing formats the card and puts them back on it.</source>
        <translation>
            <numerusform>The picture has been saved. Repairing formats the card and puts it back on it.</numerusform>
            <numerusform>The %n pictures have been saved. Repairing formats the card and puts them back on it.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The %n pictures have been saved. Repairing makes the card list them again, so the camera and this window show them.</source>
        <translation>
            <numerusform>The picture has been saved. Repairing makes the card list it again, so the camera and this window show it.</numerusform>
            <numerusform>The %n pictures have been saved. Repairing makes the card list them again, so the camera and this window show them.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n photos stay on the card: their files did not read back as they were saved.</source>
        <translation>
            <numerusform>%n photo stays on the card: its file did not read back as it was saved.</numerusform>
            <numerusform>%n photos stay on the card: their files did not read back as they were saved.</numerusform>
        </translation>
    </message>
    <message>
        <source>Photos already saved are skipped when you import again.</source>
        <translation>Photos already saved are skipped when you import again.</translation>
    </message>
    <message>
        <source>The file may not be a backup of a card of this size.</source>
        <translation>The file may not be a backup of a card of this size.</translation>
    </message>
    <message>
        <source>The card&apos;s photo list could not be repaired.</source>
        <translation>The card&apos;s photo list could not be repaired.</translation>
    </message>
    <message>
        <source>The card&apos;s pictures could not be saved.</source>
        <translation>The card&apos;s pictures could not be saved.</translation>
    </message>
    <message>
        <source>Say whether the card holds 8 MiB or 16 MiB when asked.</source>
        <translation>Say whether the card holds 8 MiB or 16 MiB when asked.</translation>
    </message>
    <message>
        <source>Choose File ▸ Open card image… and pick a card image that exists.</source>
        <translation>Choose File ▸ Open card image… and pick a card image that exists.</translation>
    </message>
    <message>
        <source>Choose another name or folder.</source>
        <translation>Choose another name or folder.</translation>
    </message>
    <message>
        <source>Try again.</source>
        <translation>Try again.</translation>
    </message>
    <message>
        <source>Check that the folder exists, can be written to and has room.</source>
        <translation>Check that the folder exists, can be written to and has room.</translation>
    </message>
    <message>
        <source>Connect the camera and choose File ▸ Reload, or choose File ▸ Open card image….</source>
        <translation>Connect the camera and choose File ▸ Reload, or choose File ▸ Open card image….</translation>
    </message>
    <message>
        <source>Choose Card ▸ Restore card… and restore %1 again to finish it.</source>
        <translation>Choose Card ▸ Restore card… and restore %1 again to finish it.</translation>
    </message>
    <message>
        <source>Choose Card ▸ Rescue photos… to save the pictures the card holds.</source>
        <translation>Choose Card ▸ Rescue photos… to save the pictures the card holds.</translation>
    </message>
    <message>
        <source>Delete some photos first, or add fewer pictures.</source>
        <translation>Delete some photos first, or add fewer pictures.</translation>
    </message>
    <message>
        <source>Select photos in the grid first.</source>
        <translation>Select photos in the grid first.</translation>
    </message>
    <message>
        <source>How large is the card?</source>
        <translation>How large is the card?</translation>
    </message>
    <message>
        <source>The card reads blank, so its size cannot be found. It is written on the card.</source>
        <translation>The card reads blank, so its size cannot be found. It is written on the card.</translation>
    </message>
    <message>
        <source>8 MiB</source>
        <translation>8 MiB</translation>
    </message>
    <message>
        <source>16 MiB</source>
        <translation>16 MiB</translation>
    </message>
    <message>
        <source>Photo %1 could not be read from the card.</source>
        <translation>Photo %1 could not be read from the card.</translation>
    </message>
    <message>
        <source>Photo %1 is no longer on the card.</source>
        <translation>Photo %1 is no longer on the card.</translation>
    </message>
    <message>
        <source>Photo %1 could not be deleted.</source>
        <translation>Photo %1 could not be deleted.</translation>
    </message>
    <message>
        <source>No pictures were found on the card.</source>
        <translation>No pictures were found on the card.</translation>
    </message>
    <message numerus="yes">
        <source>No new photos; %n photos imported before were deleted from the card.</source>
        <translation>
            <numerusform>No new photos; %n photos imported before were deleted from the card.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n photos deleted from the card; each one is in the folder.</source>
        <translation>
            <numerusform>%n photos deleted from the card; each one is in the folder.</numerusform>
        </translation>
    </message>
    <message>
        <source>The card&apos;s photo list is sound; nothing on the card was changed.</source>
        <translation>The card&apos;s photo list is sound; nothing on the card was changed.</translation>
    </message>
    <message>
        <source>The card was not changed. To use it again, choose Card ▸ Format card…: the window then offers to put the saved pictures back.</source>
        <translation>The card was not changed. To use it again, choose Card ▸ Format card…: the window then offers to put the saved pictures back.</translation>
    </message>
    <message>
        <source>A file of that name is there already, and nothing is replaced. Choose another folder, or move that file away first.</source>
        <translation>A file of that name is there already, and nothing is replaced. Choose another folder, or move that file away first.</translation>
    </message>
    <message>
        <source>The pictures are saved. Choose Card ▸ Format card…: the window then offers to put them back on the card.</source>
        <translation>The pictures are saved. Choose Card ▸ Format card…: the window then offers to put them back on the card.</translation>
    </message>
    <message>
        <source>Add the pictures it does not name back with Photos ▸ Add pictures… from the folder they were saved in.</source>
        <translation>Add the pictures it does not name back with Photos ▸ Add pictures… from the folder they were saved in.</translation>
    </message>
    <message numerus="yes">
        <source>This file is not a card image (%n bytes).</source>
        <translation>
            <numerusform>This file is not a card image (%n byte).</numerusform>
            <numerusform>This file is not a card image (%n bytes).</numerusform>
        </translation>
    </message>
    <message>
        <source>This file cannot be used as a card image.</source>
        <translation>This file cannot be used as a card image.</translation>
    </message>
    <message>
        <source>Choose File ▸ Open card image… and pick a card image: a whole-card backup of 8 MiB or 16 MiB.</source>
        <translation>Choose File ▸ Open card image… and pick a card image: a whole-card backup of 8 MiB or 16 MiB.</translation>
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
    <name>pixavon::gui::MainWindow</name>
    <message>
        <source>Card images (*.bin);;All files (*)</source>
        <translation>Card images (*.bin);;All files (*)</translation>
    </message>
    <message>
        <source>Pixavon</source>
        <translation>Pixavon</translation>
    </message>
    <message>
        <source>&amp;Open card image…</source>
        <translation>&amp;Open card image…</translation>
    </message>
    <message>
        <source>Work on a card image (a whole-card backup) instead of the camera</source>
        <translation>Work on a card image (a whole-card backup) instead of the camera</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Quit</translation>
    </message>
    <message>
        <source>&amp;Import photos…</source>
        <translation>&amp;Import photos…</translation>
    </message>
    <message>
        <source>&amp;Add pictures…</source>
        <translation>&amp;Add pictures…</translation>
    </message>
    <message>
        <source>&amp;Save selected as…</source>
        <translation>&amp;Save selected as…</translation>
    </message>
    <message>
        <source>&amp;View photo</source>
        <translation>&amp;View photo</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>&amp;Reload</source>
        <translation>&amp;Reload</translation>
    </message>
    <message>
        <source>&amp;Back up card…</source>
        <translation>&amp;Back up card…</translation>
    </message>
    <message>
        <source>R&amp;estore card…</source>
        <translation>R&amp;estore card…</translation>
    </message>
    <message>
        <source>&amp;Format card…</source>
        <translation>&amp;Format card…</translation>
    </message>
    <message>
        <source>Res&amp;cue photos…</source>
        <translation>Res&amp;cue photos…</translation>
    </message>
    <message>
        <source>Save every picture the card holds, whatever its photo list says</source>
        <translation>Save every picture the card holds, whatever its photo list says</translation>
    </message>
    <message>
        <source>&amp;About Pixavon</source>
        <translation>&amp;About Pixavon</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>&amp;Photos</source>
        <translation>&amp;Photos</translation>
    </message>
    <message>
        <source>&amp;Card</source>
        <translation>&amp;Card</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>Main</source>
        <translation>Main</translation>
    </message>
    <message>
        <source>Photos on the card</source>
        <translation>Photos on the card</translation>
    </message>
    <message>
        <source>Save photo %1 as</source>
        <translation>Save photo %1 as</translation>
    </message>
    <message>
        <source>PNG pictures (*.png);;JPEG pictures (*.jpg *.jpeg);;Camera bitmaps (*.bmp)</source>
        <translation>PNG pictures (*.png);;JPEG pictures (*.jpg *.jpeg);;Camera bitmaps (*.bmp)</translation>
    </message>
    <message numerus="yes">
        <source>Save %n photos into</source>
        <translation>
            <numerusform>Save %n photo into</numerusform>
            <numerusform>Save %n photos into</numerusform>
        </translation>
    </message>
    <message>
        <source>Photo %1 is still being read from the card.</source>
        <translation>Photo %1 is still being read from the card.</translation>
    </message>
    <message>
        <source>Back up card</source>
        <translation>Back up card</translation>
    </message>
    <message>
        <source>Restore card from</source>
        <translation>Restore card from</translation>
    </message>
    <message>
        <source>Save the rescued photos into</source>
        <translation>Save the rescued photos into</translation>
    </message>
    <message>
        <source>Open card image</source>
        <translation>Open card image</translation>
    </message>
    <message>
        <source>Pixavon %1</source>
        <translation>Pixavon %1</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>Camera</translation>
    </message>
    <message>
        <source>%1 — Pixavon</source>
        <translation>%1 — Pixavon</translation>
    </message>
    <message>
        <source>No camera was found. Connect the camera and choose Reload, or open a card image.</source>
        <translation>No camera was found. Connect the camera and choose Reload, or open a card image.</translation>
    </message>
    <message>
        <source>The card&apos;s photo list is damaged.</source>
        <translation>The card&apos;s photo list is damaged.</translation>
    </message>
    <message>
        <source>The pictures themselves are most likely still there: Rescue photos saves every one of them into a folder, then repairs the list.</source>
        <translation>The pictures themselves are most likely still there: Rescue photos saves every one of them into a folder, then repairs the list.</translation>
    </message>
    <message>
        <source>The card image %1 could not be opened.</source>
        <translation>The card image %1 could not be opened.</translation>
    </message>
    <message>
        <source>No file manager could be started to show the folder.</source>
        <translation>No file manager could be started to show the folder.</translation>
    </message>
    <message>
        <source>The photos are in %1.</source>
        <translation>The photos are in %1.</translation>
    </message>
    <message>
        <source>The card is being restored; the window closes once it has finished.</source>
        <translation>The card is being restored; the window closes once it has finished.</translation>
    </message>
    <message>
        <source>The card image %1 could not be saved; check that its folder can be written to and has room.</source>
        <translation>The card image %1 could not be saved; check that its folder can be written to and has room.</translation>
    </message>
    <message>
        <source>Imports go to %1</source>
        <translation>Imports go to %1</translation>
    </message>
    <message>
        <source>The card could not be read.</source>
        <translation>The card could not be read.</translation>
    </message>
    <message>
        <source>The camera cannot be used.</source>
        <translation>The camera cannot be used.</translation>
    </message>
    <message>
        <source>Choose where the photos go and whether they leave the card</source>
        <translation>Choose where the photos go and whether they leave the card</translation>
    </message>
    <message>
        <source>Import &amp;new photos</source>
        <translation>Import &amp;new photos</translation>
    </message>
    <message>
        <source>Save the photos this computer does not have yet into the import folder</source>
        <translation>Save the photos this computer does not have yet into the import folder</translation>
    </message>
    <message>
        <source>Import selec&amp;ted photos</source>
        <translation>Import selec&amp;ted photos</translation>
    </message>
    <message>
        <source>Save the selected photos into the import folder</source>
        <translation>Save the selected photos into the import folder</translation>
    </message>
    <message>
        <source>There are no photos on this card.</source>
        <translation>There are no photos on this card.</translation>
    </message>
    <message>
        <source>Take some with the camera, or choose Photos ▸ Add pictures… to put pictures from this computer on the card.</source>
        <translation>Take some with the camera, or choose Photos ▸ Add pictures… to put pictures from this computer on the card.</translation>
    </message>
    <message>
        <source>About Pixavon</source>
        <translation>About Pixavon</translation>
    </message>
    <message>
        <source>Imports the photos on the Lumetta camera&apos;s card to this computer, puts pictures on the card, and backs up, restores and rescues the card.</source>
        <translation>Imports the photos on the Lumetta camera&apos;s card to this computer, puts pictures on the card, and backs up, restores and rescues the card.</translation>
    </message>
    <message numerus="yes">
        <source>Put the %n rescued pictures back on the card?</source>
        <translation>
            <numerusform>Put the %n rescued picture back on the card?</numerusform>
            <numerusform>Put the %n rescued pictures back on the card?</numerusform>
        </translation>
    </message>
    <message>
        <source>They are in %1.</source>
        <translation>They are in %1.</translation>
    </message>
    <message>
        <source>Put back</source>
        <translation>Put back</translation>
    </message>
    <message numerus="yes">
        <source>%n photos, %1 free (%2 MiB card)</source>
        <translation>
            <numerusform>%n photo, %1 free (%2 MiB card)</numerusform>
            <numerusform>%n photos, %1 free (%2 MiB card)</numerusform>
        </translation>
    </message>
    <message>
        <source>Photo list damaged (%1 MiB card)</source>
        <translation>Photo list damaged (%1 MiB card)</translation>
    </message>
    <message>
        <source>Photo list damaged</source>
        <translation>Photo list damaged</translation>
    </message>
    <message>
        <source>No camera</source>
        <translation>No camera</translation>
    </message>
    <message>
        <source>The pictures are saved in %1.</source>
        <translation>The pictures are saved in %1.</translation>
    </message>
    <message>
        <source>To use the card again, format it: the window then offers to put the pictures back.</source>
        <translation>To use the card again, format it: the window then offers to put the pictures back.</translation>
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
