<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja">
<context>
    <name>DesktopDialogs</name>
    <message>
        <source>Add pictures</source>
        <translation>カードに追加する画像</translation>
    </message>
    <message>
        <source>Pictures (%1);;All files (*)</source>
        <translation>画像 (%1);;すべてのファイル (*)</translation>
    </message>
</context>
<context>
    <name>pixavon::gui::ImportDialog</name>
    <message>
        <source>Import photos</source>
        <translation>写真の取り込み</translation>
    </message>
    <message>
        <source>&amp;Change…</source>
        <translation>変更(&amp;C)…</translation>
    </message>
    <message>
        <source>Import photos into</source>
        <translation>写真の取り込み先</translation>
    </message>
    <message numerus="yes">
        <source>&amp;Selected photos only (%n)</source>
        <translation>
            <numerusform>選択した写真だけ(&amp;S)（%n 枚）</numerusform>
        </translation>
    </message>
    <message>
        <source>&amp;Delete from the card after import</source>
        <translation>取り込み後にカードから削除(&amp;D)</translation>
    </message>
    <message>
        <source>Each photo leaves the card only once its file reads back as it was saved.</source>
        <translation>保存したファイルを読み直して確かめた写真だけをカードから削除します。</translation>
    </message>
    <message>
        <source>&amp;Import</source>
        <translation>取り込む(&amp;I)</translation>
    </message>
    <message>
        <source>Save to:</source>
        <translation>保存先：</translation>
    </message>
    <message>
        <source>Photos already imported into this folder are skipped.</source>
        <translation>このフォルダーに取り込み済みの写真はスキップされます。</translation>
    </message>
</context>
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
<context>
    <name>pixavon::gui::PhotoModel</name>
    <message>
        <source>Photo %1, imported as %2</source>
        <translation>写真 %1、「%2」として取り込み済み</translation>
    </message>
    <message>
        <source>Photo %1, not yet shown</source>
        <translation>写真 %1、読み込み中</translation>
    </message>
    <message>
        <source>Photo %1, not imported</source>
        <translation>写真 %1、未取り込み</translation>
    </message>
    <message>
        <source>Photo %1, could not be read from the card</source>
        <translation>写真 %1、カードから読み込めませんでした</translation>
    </message>
</context>
<context>
    <name>pixavon::gui::PhotoView</name>
    <message>
        <source>Photo %1</source>
        <translation>写真 %1</translation>
    </message>
    <message>
        <source>As taken, %1 × %2</source>
        <translation>撮影したまま（%1 × %2）</translation>
    </message>
    <message>
        <source>Twice the size, sharp</source>
        <translation>2 倍（くっきり）</translation>
    </message>
    <message>
        <source>Twice the size, smooth</source>
        <translation>2 倍（なめらか）</translation>
    </message>
</context>
</TS>
