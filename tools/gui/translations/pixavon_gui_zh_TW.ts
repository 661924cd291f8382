<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_TW">
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
</TS>
