<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="ja">
<context>
    <name>QObject</name>
    <message>
        <source>Pictures (%1);;All files (*)</source>
        <translation>画像 (%1);;すべてのファイル (*)</translation>
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
        <translation>新しい写真を取り込む: このコンピューターにまだない写真を保存します</translation>
    </message>
    <message>
        <source>&amp;Import new photos…</source>
        <translation>新しい写真を取り込む(&amp;I)…</translation>
    </message>
    <message>
        <source>&amp;Save selected as…</source>
        <translation>選択した写真を保存(&amp;S)…</translation>
    </message>
    <message>
        <source>&amp;Delete selected</source>
        <translation>選択した写真を削除(&amp;D)</translation>
    </message>
    <message>
        <source>&amp;Reload</source>
        <translation>再読み込み(&amp;R)</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>終了(&amp;Q)</translation>
    </message>
    <message>
        <source>Choose the import &amp;folder…</source>
        <translation>取り込み先フォルダーを選択(&amp;F)…</translation>
    </message>
    <message>
        <source>&amp;Photos</source>
        <translation>写真(&amp;P)</translation>
    </message>
    <message>
        <source>PNG (*.png);;JPEG (*.jpg *.jpeg);;Bitmap (*.bmp)</source>
        <translation>PNG (*.png);;JPEG (*.jpg *.jpeg);;ビットマップ (*.bmp)</translation>
    </message>
    <message>
        <source>Card images (*.bin);;All files (*)</source>
        <translation>カードイメージ (*.bin);;すべてのファイル (*)</translation>
    </message>
    <message>
        <source>Import new photos into</source>
        <translation>新しい写真の取り込み先</translation>
    </message>
    <message>
        <source>Delete the selected photos from the card?</source>
        <translation>選択した写真をカードから削除しますか?</translation>
    </message>
    <message>
        <source>Format the card?</source>
        <translation>カードをフォーマットしますか?</translation>
    </message>
    <message>
        <source>Write the backup onto the card?</source>
        <translation>バックアップをカードに書き込みますか?</translation>
    </message>
    <message>
        <source>Continue?</source>
        <translation>続行しますか?</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>photo %1</source>
        <translation>写真 %1</translation>
    </message>
    <message>
        <source> (%1 of %2)</source>
        <translation> (%1 / %2)</translation>
    </message>
    <message>
        <source>Stopped. Every step that had finished is complete on the card and on disk.</source>
        <translation>中止しました。終わった手順はカードにもディスクにもすべて反映されています。</translation>
    </message>
    <message>
        <source>Nothing was changed.</source>
        <translation>何も変更されていません。</translation>
    </message>
    <message>
        <source>The card could not be read.</source>
        <translation>カードを読み取れませんでした。</translation>
    </message>
    <message>
        <source>The pictures could not be uploaded.</source>
        <translation>画像をアップロードできませんでした。</translation>
    </message>
    <message>
        <source>The photos could not be deleted.</source>
        <translation>写真を削除できませんでした。</translation>
    </message>
    <message>
        <source>The photos could not be saved.</source>
        <translation>写真を保存できませんでした。</translation>
    </message>
    <message>
        <source>The new photos could not be imported.</source>
        <translation>新しい写真を取り込めませんでした。</translation>
    </message>
    <message>
        <source>The card could not be formatted.</source>
        <translation>カードをフォーマットできませんでした。</translation>
    </message>
    <message>
        <source>The card could not be backed up.</source>
        <translation>カードをバックアップできませんでした。</translation>
    </message>
    <message>
        <source>The card could not be restored.</source>
        <translation>カードを復元できませんでした。</translation>
    </message>
    <message>
        <source>Photo %1, slot %2</source>
        <translation>写真 %1、スロット %2</translation>
    </message>
    <message>
        <source>Imported as %1</source>
        <translation>取り込み済み: %1</translation>
    </message>
    <message>
        <source>Photo %1 could not be read: %2</source>
        <translation>写真 %1 を読み取れませんでした: %2</translation>
    </message>
    <message>
        <source>There were no new photos to import.</source>
        <translation>取り込む新しい写真はありませんでした。</translation>
    </message>
    <message>
        <source>New photos saved: %1, in %2</source>
        <translation>保存した新しい写真: %1 枚 (保存先 %2)</translation>
    </message>
    <message>
        <source>Photos already in the folder before: %1.</source>
        <translation>以前からフォルダーにあった写真: %1 枚。</translation>
    </message>
    <message>
        <source>Open folder</source>
        <translation>フォルダーを開く</translation>
    </message>
    <message>
        <source>%1 × %2</source>
        <translation>%1 × %2</translation>
    </message>
    <message>
        <source>2×, nearest neighbour</source>
        <translation>2 倍、最近傍補間</translation>
    </message>
    <message>
        <source>2×, smooth</source>
        <translation>2 倍、滑らか</translation>
    </message>
    <message>
        <source>%1 MiB (capacity code %2): %3 photos, %4 free</source>
        <translation>%1 MiB (容量コード %2): 写真 %3 枚、空き %4</translation>
    </message>
    <message>
        <source>Pixavon %1
Library: %2
Card: %3
Device: %4</source>
        <translation>Pixavon %1
ライブラリ: %2
カード: %3
デバイス: %4</translation>
    </message>
    <message>
        <source>Photo %1 could not be read from the card.</source>
        <translation>写真 %1 をカードから読み取れませんでした。</translation>
    </message>
    <message>
        <source>The card is being restored. A restore cannot be stopped half-way: the card would be left with its old list over the new pictures. Close the window again once the restore has finished.</source>
        <translation>カードを復元しています。復元は途中で止められません。止めるとカードには古い一覧と新しい画像が残ってしまいます。復元が終わってからもう一度ウィンドウを閉じてください。</translation>
    </message>
    <message>
        <source>&amp;Rescue…</source>
        <translation>救出(&amp;R)…</translation>
    </message>
    <message>
        <source>Save every picture the card holds, whatever its catalog says, and repair the catalog</source>
        <translation>目録の内容にかかわらずカードのすべての画像を保存し、目録を修復します</translation>
    </message>
    <message>
        <source>Repair the card&apos;s catalog?</source>
        <translation>カードの目録を修復しますか?</translation>
    </message>
    <message>
        <source>The card could not be rescued in full.</source>
        <translation>カードを完全には救出できませんでした。</translation>
    </message>
    <message>
        <source>Folder for the rescued pictures</source>
        <translation>救出した画像の保存先フォルダー</translation>
    </message>
    <message>
        <source>Pictures saved: %1 of %2 found, in %3</source>
        <translation>保存した画像: 見つかった %2 枚のうち %1 枚 (%3)</translation>
    </message>
    <message>
        <source>The catalog was repaired and lists them again.</source>
        <translation>目録を修復し、再びそれらを一覧に載せました。</translation>
    </message>
    <message>
        <source>The catalog was not changed.</source>
        <translation>目録は変更していません。</translation>
    </message>
</context>
</TS>