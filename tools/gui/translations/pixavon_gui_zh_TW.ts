<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="zh_TW">
<context>
    <name>QObject</name>
    <message>
        <source>Pictures (%1);;All files (*)</source>
        <translation>圖片 (%1);;所有檔案 (*)</translation>
    </message>
</context>
<context>
    <name>pixavon::gui::MainWindow</name>
    <message>
        <source>%1 — %2</source>
        <translation>%1 — %2</translation>
    </message>
    <message>
        <source>Import new photos: save the photos this computer has not had before</source>
        <translation>匯入新相片：儲存這台電腦尚未有的相片</translation>
    </message>
    <message>
        <source>&amp;Import new photos…</source>
        <translation>匯入新相片(&amp;I)…</translation>
    </message>
    <message>
        <source>&amp;Save selected as…</source>
        <translation>另存選取的相片(&amp;S)…</translation>
    </message>
    <message>
        <source>&amp;Delete selected</source>
        <translation>刪除選取的相片(&amp;D)</translation>
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
        <source>Choose the import &amp;folder…</source>
        <translation>選擇匯入資料夾(&amp;F)…</translation>
    </message>
    <message>
        <source>&amp;Photos</source>
        <translation>相片(&amp;P)</translation>
    </message>
    <message>
        <source>PNG (*.png);;JPEG (*.jpg *.jpeg);;Bitmap (*.bmp)</source>
        <translation>PNG (*.png);;JPEG (*.jpg *.jpeg);;點陣圖 (*.bmp)</translation>
    </message>
    <message>
        <source>Card images (*.bin);;All files (*)</source>
        <translation>記憶卡映像 (*.bin);;所有檔案 (*)</translation>
    </message>
    <message>
        <source>Import new photos into</source>
        <translation>新相片的匯入位置</translation>
    </message>
    <message>
        <source>Delete the selected photos from the card?</source>
        <translation>要從記憶卡刪除選取的相片嗎？</translation>
    </message>
    <message>
        <source>Format the card?</source>
        <translation>要格式化記憶卡嗎？</translation>
    </message>
    <message>
        <source>Write the backup onto the card?</source>
        <translation>要將備份寫入記憶卡嗎？</translation>
    </message>
    <message>
        <source>Continue?</source>
        <translation>要繼續嗎？</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>photo %1</source>
        <translation>相片 %1</translation>
    </message>
    <message>
        <source> (%1 of %2)</source>
        <translation>（%1 / %2）</translation>
    </message>
    <message>
        <source>Stopped. Every step that had finished is complete on the card and on disk.</source>
        <translation>已停止。已完成的步驟在記憶卡和磁碟上都已完整。</translation>
    </message>
    <message>
        <source>Nothing was changed.</source>
        <translation>沒有任何變更。</translation>
    </message>
    <message>
        <source>The card could not be read.</source>
        <translation>無法讀取記憶卡。</translation>
    </message>
    <message>
        <source>The pictures could not be uploaded.</source>
        <translation>無法上載圖片。</translation>
    </message>
    <message>
        <source>The photos could not be deleted.</source>
        <translation>無法刪除相片。</translation>
    </message>
    <message>
        <source>The photos could not be saved.</source>
        <translation>無法儲存相片。</translation>
    </message>
    <message>
        <source>The new photos could not be imported.</source>
        <translation>無法匯入新相片。</translation>
    </message>
    <message>
        <source>The card could not be formatted.</source>
        <translation>無法格式化記憶卡。</translation>
    </message>
    <message>
        <source>The card could not be backed up.</source>
        <translation>無法備份記憶卡。</translation>
    </message>
    <message>
        <source>The card could not be restored.</source>
        <translation>無法還原記憶卡。</translation>
    </message>
    <message>
        <source>Photo %1, slot %2</source>
        <translation>相片 %1，插槽 %2</translation>
    </message>
    <message>
        <source>Imported as %1</source>
        <translation>已匯入為 %1</translation>
    </message>
    <message>
        <source>Photo %1 could not be read: %2</source>
        <translation>無法讀取相片 %1：%2</translation>
    </message>
    <message>
        <source>There were no new photos to import.</source>
        <translation>沒有要匯入的新相片。</translation>
    </message>
    <message>
        <source>New photos saved: %1, in %2</source>
        <translation>已儲存的新相片：%1 張，位於 %2</translation>
    </message>
    <message>
        <source>Photos already in the folder before: %1.</source>
        <translation>資料夾中原有的相片：%1 張。</translation>
    </message>
    <message>
        <source>Open folder</source>
        <translation>開啟資料夾</translation>
    </message>
    <message>
        <source>%1 × %2</source>
        <translation>%1 × %2</translation>
    </message>
    <message>
        <source>2×, nearest neighbour</source>
        <translation>2 倍，最近鄰</translation>
    </message>
    <message>
        <source>2×, smooth</source>
        <translation>2 倍，平滑</translation>
    </message>
    <message>
        <source>%1 MiB (capacity code %2): %3 photos, %4 free</source>
        <translation>%1 MiB（容量代碼 %2）：相片 %3 張，可用 %4</translation>
    </message>
    <message>
        <source>Pixavon %1
Library: %2
Card: %3
Device: %4</source>
        <translation>Pixavon %1
程式庫：%2
記憶卡：%3
裝置：%4</translation>
    </message>
    <message>
        <source>Photo %1 could not be read from the card.</source>
        <translation>無法從記憶卡讀取相片 %1。</translation>
    </message>
    <message>
        <source>The card is being restored. A restore cannot be stopped half-way: the card would be left with its old list over the new pictures. Close the window again once the restore has finished.</source>
        <translation>正在還原記憶卡。還原無法中途停止：否則記憶卡會留下舊的清單配上新的圖片。請在還原完成後再關閉視窗。</translation>
    </message>
    <message>
        <source>&amp;Rescue…</source>
        <translation>搶救(&amp;R)…</translation>
    </message>
    <message>
        <source>Save every picture the card holds, whatever its catalog says, and repair the catalog</source>
        <translation>不論目錄內容如何，儲存卡上的所有圖片並修復目錄</translation>
    </message>
    <message>
        <source>Repair the card&apos;s catalog?</source>
        <translation>修復卡的目錄嗎？</translation>
    </message>
    <message>
        <source>The card could not be rescued in full.</source>
        <translation>未能完整搶救此卡。</translation>
    </message>
    <message>
        <source>Folder for the rescued pictures</source>
        <translation>搶救圖片的儲存資料夾</translation>
    </message>
    <message>
        <source>Pictures saved: %1 of %2 found, in %3</source>
        <translation>已儲存圖片：找到 %2 張中的 %1 張，位於 %3</translation>
    </message>
    <message>
        <source>The catalog was repaired and lists them again.</source>
        <translation>目錄已修復，重新列出了這些圖片。</translation>
    </message>
    <message>
        <source>The catalog was not changed.</source>
        <translation>目錄未變更。</translation>
    </message>
</context>
</TS>