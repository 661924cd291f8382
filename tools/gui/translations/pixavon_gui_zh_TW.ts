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
