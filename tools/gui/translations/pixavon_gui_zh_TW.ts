<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_TW">
<context>
    <name>DesktopDialogs</name>
    <message>
        <source>Add pictures</source>
        <translation>新增圖片到記憶卡</translation>
    </message>
    <message>
        <source>Pictures (%1);;All files (*)</source>
        <translation>圖片 (%1);;所有檔案 (*)</translation>
    </message>
</context>
<context>
    <name>Phrases</name>
    <message>
        <source>Importing photo %1 of %2</source>
        <translation>正在匯入相片（第 %1 張，共 %2 張）</translation>
    </message>
    <message>
        <source>Adding picture %1 of %2</source>
        <translation>正在新增圖片（第 %1 張，共 %2 張）</translation>
    </message>
    <message>
        <source>Saving photo %1 of %2</source>
        <translation>正在儲存相片（第 %1 張，共 %2 張）</translation>
    </message>
    <message>
        <source>Deleting photos</source>
        <translation>正在刪除相片</translation>
    </message>
    <message>
        <source>Backing up the card</source>
        <translation>正在備份記憶卡</translation>
    </message>
    <message>
        <source>Restoring the card; this cannot be stopped</source>
        <translation>正在還原記憶卡（無法停止）</translation>
    </message>
    <message>
        <source>Formatting the card</source>
        <translation>正在格式化記憶卡</translation>
    </message>
    <message>
        <source>Rescuing photos</source>
        <translation>正在搶救相片</translation>
    </message>
    <message>
        <source>Reading the card</source>
        <translation>正在讀取記憶卡</translation>
    </message>
    <message numerus="yes">
        <source>about %n seconds left</source>
        <translation>
            <numerusform>大約還需 %n 秒</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>about %n minutes left</source>
        <translation>
            <numerusform>大約還需 %n 分鐘</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Delete %n photos from the card?</source>
        <translation>
            <numerusform>要從記憶卡刪除 %n 張相片嗎？</numerusform>
        </translation>
    </message>
    <message>
        <source>Photos that were not imported are lost.</source>
        <translation>尚未匯入的相片將會遺失。</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>刪除</translation>
    </message>
    <message>
        <source>Format the card?</source>
        <translation>要格式化記憶卡嗎？</translation>
    </message>
    <message>
        <source>Every photo on the card is erased.</source>
        <translation>記憶卡上的所有相片都會被清除。</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>格式化</translation>
    </message>
    <message>
        <source>Restore the card from this backup?</source>
        <translation>要用這個備份還原記憶卡嗎？</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>還原</translation>
    </message>
    <message>
        <source>Repair the card&apos;s photo list?</source>
        <translation>要修復記憶卡的相片清單嗎？</translation>
    </message>
    <message>
        <source>Repair</source>
        <translation>修復</translation>
    </message>
    <message>
        <source>Go on?</source>
        <translation>要繼續嗎？</translation>
    </message>
    <message>
        <source>Go on</source>
        <translation>繼續</translation>
    </message>
    <message>
        <source>Nothing was changed.</source>
        <translation>沒有做任何變更。</translation>
    </message>
    <message>
        <source>Stopped. %1</source>
        <translation>已停止。%1</translation>
    </message>
    <message>
        <source>The card image %1 could not be opened.</source>
        <translation>無法開啟記憶卡映像檔「%1」。</translation>
    </message>
    <message>
        <source>It may not be a card image, or it cannot be read or written.</source>
        <translation>它可能不是記憶卡映像檔，或無法讀寫。</translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n photos saved before you stopped.</source>
        <translation>
            <numerusform>停止前已儲存 %n 張相片中的 %1 張。</numerusform>
        </translation>
    </message>
    <message>
        <source>There were no new photos to import.</source>
        <translation>沒有新的相片可匯入。</translation>
    </message>
    <message numerus="yes">
        <source>%n photos imported.</source>
        <translation>
            <numerusform>已匯入 %n 張相片。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The import stopped after %n photos.</source>
        <translation>
            <numerusform>匯入 %n 張相片後停止了。</numerusform>
        </translation>
    </message>
    <message>
        <source>Folder: %1</source>
        <translation>資料夾：%1</translation>
    </message>
    <message numerus="yes">
        <source>%n duplicates on the card skipped.</source>
        <translation>
            <numerusform>已略過記憶卡上重複的 %n 張。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n photos were imported before and skipped.</source>
        <translation>
            <numerusform>已略過先前匯入過的 %n 張相片。</numerusform>
        </translation>
    </message>
    <message>
        <source>&amp;Open folder</source>
        <translation>開啟資料夾(&amp;O)</translation>
    </message>
    <message numerus="yes">
        <source>%n pictures added to the card.</source>
        <translation>
            <numerusform>已在記憶卡新增 %n 張圖片。</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 of %2 pictures were added.</source>
        <translation>%2 張圖片中已新增 %1 張。</translation>
    </message>
    <message>
        <source>The card may be full, or a file is not a picture that can be read.</source>
        <translation>記憶卡可能已滿，或有檔案不是可讀取的圖片。</translation>
    </message>
    <message numerus="yes">
        <source>%n photos saved.</source>
        <translation>
            <numerusform>已儲存 %n 張相片。</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 of %2 photos were saved.</source>
        <translation>%2 張相片中已儲存 %1 張。</translation>
    </message>
    <message>
        <source>A file of that name may be there already (nothing is replaced), or the folder cannot be written to.</source>
        <translation>可能已有同名檔案（不會覆蓋），或資料夾無法寫入。</translation>
    </message>
    <message numerus="yes">
        <source>%n photos deleted.</source>
        <translation>
            <numerusform>已刪除 %n 張相片。</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 of %2 photos were deleted.</source>
        <translation>%2 張相片中已刪除 %1 張。</translation>
    </message>
    <message>
        <source>Check that the camera is connected, then choose Reload.</source>
        <translation>請確認相機已接上，再選「重新載入」。</translation>
    </message>
    <message>
        <source>The card was backed up to %1.</source>
        <translation>記憶卡已備份到「%1」。</translation>
    </message>
    <message>
        <source>The backup was not finished; its file was not kept.</source>
        <translation>備份沒有完成，未保留備份檔。</translation>
    </message>
    <message>
        <source>The card could not be backed up.</source>
        <translation>無法備份記憶卡。</translation>
    </message>
    <message>
        <source>Check that the folder can be written to and has room, and that the camera is connected.</source>
        <translation>請確認資料夾可寫入且有空間，並且相機已接上。</translation>
    </message>
    <message>
        <source>The card was restored.</source>
        <translation>記憶卡已還原。</translation>
    </message>
    <message>
        <source>The card could not be restored.</source>
        <translation>無法還原記憶卡。</translation>
    </message>
    <message>
        <source>The card was formatted.</source>
        <translation>記憶卡已格式化。</translation>
    </message>
    <message>
        <source>The card could not be formatted.</source>
        <translation>無法格式化記憶卡。</translation>
    </message>
    <message>
        <source>Check that the camera is connected, then try again.</source>
        <translation>請確認相機已接上，再試一次。</translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n photos saved to %2 before you stopped.</source>
        <translation>
            <numerusform>停止前已將 %n 張圖片中的 %1 張存到「%2」。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n photos saved to %1.</source>
        <translation>
            <numerusform>已將 %n 張圖片存到「%1」。</numerusform>
        </translation>
    </message>
    <message>
        <source>The card&apos;s photo list was repaired: the card is ready to use again.</source>
        <translation>記憶卡的相片清單已修復，記憶卡可以再次使用。</translation>
    </message>
    <message numerus="yes">
        <source>The photos on the card now are replaced by the %n photos in the backup.</source>
        <translation>
            <numerusform>記憶卡上現有的相片會被備份裡的 %n 張相片取代。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The %n pictures have been saved. Repairing formats the card and puts them back on it.</source>
        <translation>
            <numerusform>%n 張圖片已經儲存。修復會格式化記憶卡，再把圖片放回去。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The %n pictures have been saved. Repairing makes the card list them again, so the camera and this window show them.</source>
        <translation>
            <numerusform>%n 張圖片已經儲存。修復後記憶卡會重新列出它們，相機和這個視窗就能顯示。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n photos stay on the card: their files did not read back as they were saved.</source>
        <translation>
            <numerusform>%n 張相片留在記憶卡上：已儲存的檔案讀回時與原本不符。</numerusform>
        </translation>
    </message>
    <message>
        <source>Photos already saved are skipped when you import again.</source>
        <translation>再匯入一次時，已儲存的相片會略過。</translation>
    </message>
    <message>
        <source>The file may not be a backup of a card of this size.</source>
        <translation>這個檔案可能不是此容量記憶卡的備份。</translation>
    </message>
    <message>
        <source>The card&apos;s photo list could not be repaired.</source>
        <translation>無法修復記憶卡的相片清單。</translation>
    </message>
    <message>
        <source>The card&apos;s pictures could not be saved.</source>
        <translation>無法儲存記憶卡上的圖片。</translation>
    </message>
    <message>
        <source>Say whether the card holds 8 MiB or 16 MiB when asked.</source>
        <translation>詢問時請選擇記憶卡是 8 MiB 還是 16 MiB。</translation>
    </message>
    <message>
        <source>Choose File ▸ Open card image… and pick a card image that exists.</source>
        <translation>請選「檔案 ▸ 開啟記憶卡映像檔…」並挑選一個存在的記憶卡映像檔。</translation>
    </message>
    <message>
        <source>Choose another name or folder.</source>
        <translation>請選擇其他名稱或資料夾。</translation>
    </message>
    <message>
        <source>Try again.</source>
        <translation>請再試一次。</translation>
    </message>
    <message>
        <source>Check that the folder exists, can be written to and has room.</source>
        <translation>請確認資料夾存在、可寫入且有空間。</translation>
    </message>
    <message>
        <source>Connect the camera and choose File ▸ Reload, or choose File ▸ Open card image….</source>
        <translation>請接上相機後選「檔案 ▸ 重新載入」，或選「檔案 ▸ 開啟記憶卡映像檔…」。</translation>
    </message>
    <message>
        <source>Choose Card ▸ Restore card… and restore %1 again to finish it.</source>
        <translation>請選「記憶卡 ▸ 還原記憶卡…」再還原一次「%1」以完成。</translation>
    </message>
    <message>
        <source>Choose Card ▸ Rescue photos… to save the pictures the card holds.</source>
        <translation>請選「記憶卡 ▸ 搶救相片…」把記憶卡上的圖片存下來。</translation>
    </message>
    <message>
        <source>Delete some photos first, or add fewer pictures.</source>
        <translation>請先刪除一些相片，或少新增幾張圖片。</translation>
    </message>
    <message>
        <source>Select photos in the grid first.</source>
        <translation>請先在清單中選取相片。</translation>
    </message>
    <message>
        <source>How large is the card?</source>
        <translation>記憶卡容量是多少？</translation>
    </message>
    <message>
        <source>The card reads blank, so its size cannot be found. It is written on the card.</source>
        <translation>記憶卡讀起來是空白的，無法得知容量。容量印在記憶卡上。</translation>
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
        <translation>無法從記憶卡讀取相片 %1。</translation>
    </message>
    <message>
        <source>Photo %1 is no longer on the card.</source>
        <translation>相片 %1 已不在記憶卡上。</translation>
    </message>
    <message>
        <source>Photo %1 could not be deleted.</source>
        <translation>無法刪除相片 %1。</translation>
    </message>
    <message>
        <source>No pictures were found on the card.</source>
        <translation>記憶卡上找不到任何圖片。</translation>
    </message>
    <message numerus="yes">
        <source>No new photos; %n photos imported before were deleted from the card.</source>
        <translation>
            <numerusform>沒有新相片；已匯入過的 %n 張相片已從記憶卡刪除。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n photos deleted from the card; each one is in the folder.</source>
        <translation>
            <numerusform>已從記憶卡刪除 %n 張相片，它們都已儲存在資料夾中。</numerusform>
        </translation>
    </message>
    <message>
        <source>The card&apos;s photo list is sound; nothing on the card was changed.</source>
        <translation>記憶卡的相片清單完好，記憶卡未做任何變更。</translation>
    </message>
    <message>
        <source>The card was not changed. To use it again, choose Card ▸ Format card…: the window then offers to put the saved pictures back.</source>
        <translation>記憶卡未做變更。要再次使用，請選擇「記憶卡 ▸ 格式化記憶卡…」，之後可以把已儲存的圖片放回記憶卡。</translation>
    </message>
    <message>
        <source>A file of that name is there already, and nothing is replaced. Choose another folder, or move that file away first.</source>
        <translation>已有同名檔案，不會覆寫。請選擇其他資料夾，或先把那個檔案移走。</translation>
    </message>
    <message>
        <source>The pictures are saved. Choose Card ▸ Format card…: the window then offers to put them back on the card.</source>
        <translation>圖片已儲存。請選擇「記憶卡 ▸ 格式化記憶卡…」，之後可以把它們放回記憶卡。</translation>
    </message>
    <message>
        <source>Add the pictures it does not name back with Photos ▸ Add pictures… from the folder they were saved in.</source>
        <translation>清單中沒有的圖片，請從儲存它們的資料夾用「相片 ▸ 新增圖片…」放回記憶卡。</translation>
    </message>
    <message numerus="yes">
        <source>This file is not a card image (%n bytes).</source>
        <translation>
            <numerusform>此檔案不是記憶卡映像檔（%n 位元組）。</numerusform>
        </translation>
    </message>
    <message>
        <source>This file cannot be used as a card image.</source>
        <translation>此檔案無法用作記憶卡映像檔。</translation>
    </message>
    <message>
        <source>Choose File ▸ Open card image… and pick a card image: a whole-card backup of 8 MiB or 16 MiB.</source>
        <translation>請選擇「檔案 ▸ 開啟記憶卡映像檔…」，選一個整張記憶卡的備份（8 MiB 或 16 MiB）。</translation>
    </message>
</context>
<context>
    <name>pixavon::gui::ImportDialog</name>
    <message>
        <source>Import photos</source>
        <translation>匯入相片</translation>
    </message>
    <message>
        <source>&amp;Change…</source>
        <translation>變更(&amp;C)…</translation>
    </message>
    <message>
        <source>Import photos into</source>
        <translation>相片匯入到</translation>
    </message>
    <message numerus="yes">
        <source>&amp;Selected photos only (%n)</source>
        <translation>
            <numerusform>只匯入所選相片(&amp;S)（%n 張）</numerusform>
        </translation>
    </message>
    <message>
        <source>&amp;Delete from the card after import</source>
        <translation>匯入後從記憶卡刪除(&amp;D)</translation>
    </message>
    <message>
        <source>Each photo leaves the card only once its file reads back as it was saved.</source>
        <translation>只有存檔後讀回確認無誤的相片才會從記憶卡刪除。</translation>
    </message>
    <message>
        <source>&amp;Import</source>
        <translation>匯入(&amp;I)</translation>
    </message>
    <message>
        <source>Save to:</source>
        <translation>儲存到：</translation>
    </message>
    <message>
        <source>Photos already imported into this folder are skipped.</source>
        <translation>已匯入此資料夾的相片會略過。</translation>
    </message>
</context>
<context>
    <name>pixavon::gui::LocaleFileDialog</name>
    <message>
        <source>Up one folder</source>
        <translation>上一層資料夾</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>資料夾</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>儲存(&amp;S)</translation>
    </message>
    <message>
        <source>C&amp;hoose</source>
        <translation>選擇(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>開啟(&amp;O)</translation>
    </message>
    <message>
        <source>Folder &amp;name:</source>
        <translation>資料夾名稱(&amp;N)：</translation>
    </message>
    <message>
        <source>File &amp;name:</source>
        <translation>檔案名稱(&amp;N)：</translation>
    </message>
    <message>
        <source>&amp;Type:</source>
        <translation>類型(&amp;T)：</translation>
    </message>
    <message>
        <source>There is no folder %1.</source>
        <translation>沒有資料夾「%1」。</translation>
    </message>
    <message>
        <source>There is no file %1.</source>
        <translation>沒有檔案「%1」。</translation>
    </message>
    <message>
        <source>%1 already exists. Replace it?</source>
        <translation>「%1」已存在。要取代嗎？</translation>
    </message>
</context>
<context>
    <name>pixavon::gui::MainWindow</name>
    <message>
        <source>&amp;Save selected as…</source>
        <translation>將所選相片另存為(&amp;S)…</translation>
    </message>
    <message>
        <source>&amp;Reload</source>
        <translation>重新載入(&amp;R)</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>結束(&amp;Q)</translation>
    </message>
    <message>
        <source>&amp;Photos</source>
        <translation>相片(&amp;P)</translation>
    </message>
    <message>
        <source>Card images (*.bin);;All files (*)</source>
        <translation>記憶卡映像檔 (*.bin);;所有檔案 (*)</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Pixavon</source>
        <translation>Pixavon</translation>
    </message>
    <message>
        <source>&amp;Open card image…</source>
        <translation>開啟記憶卡映像檔(&amp;O)…</translation>
    </message>
    <message>
        <source>Work on a card image (a whole-card backup) instead of the camera</source>
        <translation>改用記憶卡映像檔（整張記憶卡的備份），而不是相機</translation>
    </message>
    <message>
        <source>&amp;Import photos…</source>
        <translation>匯入相片(&amp;I)…</translation>
    </message>
    <message>
        <source>&amp;Add pictures…</source>
        <translation>新增圖片(&amp;A)…</translation>
    </message>
    <message>
        <source>&amp;View photo</source>
        <translation>顯示相片(&amp;V)</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>刪除(&amp;D)</translation>
    </message>
    <message>
        <source>&amp;Back up card…</source>
        <translation>備份記憶卡(&amp;B)…</translation>
    </message>
    <message>
        <source>R&amp;estore card…</source>
        <translation>還原記憶卡(&amp;E)…</translation>
    </message>
    <message>
        <source>&amp;Format card…</source>
        <translation>格式化記憶卡(&amp;F)…</translation>
    </message>
    <message>
        <source>Res&amp;cue photos…</source>
        <translation>搶救相片(&amp;C)…</translation>
    </message>
    <message>
        <source>Save every picture the card holds, whatever its photo list says</source>
        <translation>不論相片清單怎麼寫，把記憶卡上的每張圖片都存下來</translation>
    </message>
    <message>
        <source>&amp;About Pixavon</source>
        <translation>關於 Pixavon(&amp;A)</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>檔案(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Card</source>
        <translation>記憶卡(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>說明(&amp;H)</translation>
    </message>
    <message>
        <source>Main</source>
        <translation>主要</translation>
    </message>
    <message>
        <source>Photos on the card</source>
        <translation>記憶卡上的相片</translation>
    </message>
    <message>
        <source>Save photo %1 as</source>
        <translation>將相片 %1 另存為</translation>
    </message>
    <message>
        <source>PNG pictures (*.png);;JPEG pictures (*.jpg *.jpeg);;Camera bitmaps (*.bmp)</source>
        <translation>PNG 圖片 (*.png);;JPEG 圖片 (*.jpg *.jpeg);;相機點陣圖 (*.bmp)</translation>
    </message>
    <message numerus="yes">
        <source>Save %n photos into</source>
        <translation>
            <numerusform>%n 張相片儲存到</numerusform>
        </translation>
    </message>
    <message>
        <source>Photo %1 is still being read from the card.</source>
        <translation>相片 %1 還在從記憶卡讀取中。</translation>
    </message>
    <message>
        <source>Back up card</source>
        <translation>備份記憶卡</translation>
    </message>
    <message>
        <source>Restore card from</source>
        <translation>從此檔案還原記憶卡</translation>
    </message>
    <message>
        <source>Save the rescued photos into</source>
        <translation>搶救出的相片儲存到</translation>
    </message>
    <message>
        <source>Open card image</source>
        <translation>開啟記憶卡映像檔</translation>
    </message>
    <message>
        <source>Pixavon %1</source>
        <translation>Pixavon %1</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>相機</translation>
    </message>
    <message>
        <source>%1 — Pixavon</source>
        <translation>%1 — Pixavon</translation>
    </message>
    <message>
        <source>No camera was found. Connect the camera and choose Reload, or open a card image.</source>
        <translation>找不到相機。請接上相機後選「重新載入」，或開啟記憶卡映像檔。</translation>
    </message>
    <message>
        <source>The card&apos;s photo list is damaged.</source>
        <translation>記憶卡的相片清單已損壞。</translation>
    </message>
    <message>
        <source>The pictures themselves are most likely still there: Rescue photos saves every one of them into a folder, then repairs the list.</source>
        <translation>圖片本身很可能還在：「搶救相片」會把每張圖片存到資料夾，再修復清單。</translation>
    </message>
    <message>
        <source>The card image %1 could not be opened.</source>
        <translation>無法開啟記憶卡映像檔「%1」。</translation>
    </message>
    <message>
        <source>No file manager could be started to show the folder.</source>
        <translation>無法啟動檔案管理員來顯示資料夾。</translation>
    </message>
    <message>
        <source>The photos are in %1.</source>
        <translation>相片在「%1」。</translation>
    </message>
    <message>
        <source>The card is being restored; the window closes once it has finished.</source>
        <translation>正在還原記憶卡，完成後視窗會關閉。</translation>
    </message>
    <message>
        <source>The card image %1 could not be saved; check that its folder can be written to and has room.</source>
        <translation>無法儲存記憶卡映像檔「%1」；請確認其資料夾可寫入且有空間。</translation>
    </message>
    <message>
        <source>Imports go to %1</source>
        <translation>匯入到：%1</translation>
    </message>
    <message>
        <source>The card could not be read.</source>
        <translation>無法讀取記憶卡。</translation>
    </message>
    <message>
        <source>The camera cannot be used.</source>
        <translation>無法使用相機。</translation>
    </message>
    <message>
        <source>Choose where the photos go and whether they leave the card</source>
        <translation>選擇相片儲存到哪裡，以及匯入後是否從記憶卡刪除</translation>
    </message>
    <message>
        <source>Import &amp;new photos</source>
        <translation>匯入新相片(&amp;N)</translation>
    </message>
    <message>
        <source>Save the photos this computer does not have yet into the import folder</source>
        <translation>把這台電腦上還沒有的相片儲存到匯入資料夾</translation>
    </message>
    <message>
        <source>Import selec&amp;ted photos</source>
        <translation>匯入所選相片(&amp;T)</translation>
    </message>
    <message>
        <source>Save the selected photos into the import folder</source>
        <translation>把所選相片儲存到匯入資料夾</translation>
    </message>
    <message>
        <source>There are no photos on this card.</source>
        <translation>這張記憶卡上沒有相片。</translation>
    </message>
    <message>
        <source>Take some with the camera, or choose Photos ▸ Add pictures… to put pictures from this computer on the card.</source>
        <translation>用相機拍幾張，或選擇「相片 ▸ 新增圖片…」，把這台電腦上的圖片加到記憶卡。</translation>
    </message>
    <message>
        <source>About Pixavon</source>
        <translation>關於 Pixavon</translation>
    </message>
    <message>
        <source>Imports the photos on the Lumetta camera&apos;s card to this computer, puts pictures on the card, and backs up, restores and rescues the card.</source>
        <translation>把 Lumetta 相機記憶卡上的相片匯入這台電腦，也可以把圖片加到記憶卡，以及備份、還原和搶救記憶卡。</translation>
    </message>
    <message numerus="yes">
        <source>Put the %n rescued pictures back on the card?</source>
        <translation>
            <numerusform>要把搶救出的 %n 張圖片放回記憶卡嗎？</numerusform>
        </translation>
    </message>
    <message>
        <source>They are in %1.</source>
        <translation>圖片在「%1」中。</translation>
    </message>
    <message>
        <source>Put back</source>
        <translation>放回</translation>
    </message>
    <message numerus="yes">
        <source>%n photos, %1 free (%2 MiB card)</source>
        <translation>
            <numerusform>%n 張相片，還能存 %1 張（%2 MiB 記憶卡）</numerusform>
        </translation>
    </message>
    <message>
        <source>Photo list damaged (%1 MiB card)</source>
        <translation>相片清單已損壞（%1 MiB 記憶卡）</translation>
    </message>
    <message>
        <source>Photo list damaged</source>
        <translation>相片清單已損壞</translation>
    </message>
    <message>
        <source>No camera</source>
        <translation>未連接相機</translation>
    </message>
    <message>
        <source>The pictures are saved in %1.</source>
        <translation>圖片已儲存在「%1」中。</translation>
    </message>
    <message>
        <source>To use the card again, format it: the window then offers to put the pictures back.</source>
        <translation>要再次使用記憶卡，請將其格式化，之後可以把圖片放回記憶卡。</translation>
    </message>
</context>
<context>
    <name>pixavon::gui::PhotoModel</name>
    <message>
        <source>Photo %1, imported as %2</source>
        <translation>相片 %1，已匯入為「%2」</translation>
    </message>
    <message>
        <source>Photo %1, not yet shown</source>
        <translation>相片 %1，讀取中</translation>
    </message>
    <message>
        <source>Photo %1, not imported</source>
        <translation>相片 %1，尚未匯入</translation>
    </message>
    <message>
        <source>Photo %1, could not be read from the card</source>
        <translation>相片 %1，無法從記憶卡讀取</translation>
    </message>
</context>
<context>
    <name>pixavon::gui::PhotoView</name>
    <message>
        <source>Photo %1</source>
        <translation>相片 %1</translation>
    </message>
    <message>
        <source>As taken, %1 × %2</source>
        <translation>原始大小（%1 × %2）</translation>
    </message>
    <message>
        <source>Twice the size, sharp</source>
        <translation>兩倍大小（銳利）</translation>
    </message>
    <message>
        <source>Twice the size, smooth</source>
        <translation>兩倍大小（平滑）</translation>
    </message>
</context>
</TS>
