<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja">
<context>
    <name>pixavon::gui::LocaleFileDialog</name>
    <message>
        <source>Up one folder</source>
        <translation>上のフォルダーへ</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>フォルダー</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>保存(&amp;S)</translation>
    </message>
    <message>
        <source>C&amp;hoose</source>
        <translation>選択(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>開く(&amp;O)</translation>
    </message>
    <message>
        <source>Folder &amp;name:</source>
        <translation>フォルダー名(&amp;N)：</translation>
    </message>
    <message>
        <source>File &amp;name:</source>
        <translation>ファイル名(&amp;N)：</translation>
    </message>
    <message>
        <source>&amp;Type:</source>
        <translation>種類(&amp;T)：</translation>
    </message>
    <message>
        <source>There is no folder %1.</source>
        <translation>フォルダー「%1」はありません。</translation>
    </message>
    <message>
        <source>There is no file %1.</source>
        <translation>ファイル「%1」はありません。</translation>
    </message>
    <message>
        <source>%1 already exists. Replace it?</source>
        <translation>「%1」はすでにあります。置き換えますか？</translation>
    </message>
</context>
</TS>
