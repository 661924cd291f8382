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
    <name>Phrases</name>
    <message>
        <source>Importing photo %1 of %2</source>
        <translation>写真を取り込み中（%1/%2）</translation>
    </message>
    <message>
        <source>Adding picture %1 of %2</source>
        <translation>画像をカードに追加中（%1/%2）</translation>
    </message>
    <message>
        <source>Saving photo %1 of %2</source>
        <translation>写真を保存中（%1/%2）</translation>
    </message>
    <message>
        <source>Deleting photos</source>
        <translation>写真を削除中</translation>
    </message>
    <message>
        <source>Backing up the card</source>
        <translation>カードをバックアップ中</translation>
    </message>
    <message>
        <source>Restoring the card; this cannot be stopped</source>
        <translation>カードを復元しています（止められません）</translation>
    </message>
    <message>
        <source>Formatting the card</source>
        <translation>カードをフォーマット中</translation>
    </message>
    <message>
        <source>Rescuing photos</source>
        <translation>写真を救出中</translation>
    </message>
    <message>
        <source>Reading the card</source>
        <translation>カードを読み込み中</translation>
    </message>
    <message numerus="yes">
        <source>about %n seconds left</source>
        <translation>
            <numerusform>残り約 %n 秒</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>about %n minutes left</source>
        <translation>
            <numerusform>残り約 %n 分</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Delete %n photos from the card?</source>
        <translation>
            <numerusform>カードから写真 %n 枚を削除しますか？</numerusform>
        </translation>
    </message>
    <message>
        <source>Photos that were not imported are lost.</source>
        <translation>取り込んでいない写真は失われます。</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>削除</translation>
    </message>
    <message>
        <source>Format the card?</source>
        <translation>カードをフォーマットしますか？</translation>
    </message>
    <message>
        <source>Every photo on the card is erased.</source>
        <translation>カードの写真はすべて消去されます。</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>フォーマット</translation>
    </message>
    <message>
        <source>Restore the card from this backup?</source>
        <translation>このバックアップからカードを復元しますか？</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>復元</translation>
    </message>
    <message>
        <source>Repair the card&apos;s photo list?</source>
        <translation>カードの写真リストを修復しますか？</translation>
    </message>
    <message>
        <source>Repair</source>
        <translation>修復</translation>
    </message>
    <message>
        <source>Go on?</source>
        <translation>続けますか？</translation>
    </message>
    <message>
        <source>Go on</source>
        <translation>続ける</translation>
    </message>
    <message>
        <source>Nothing was changed.</source>
        <translation>何も変更していません。</translation>
    </message>
    <message>
        <source>Stopped. %1</source>
        <translation>止めました。%1</translation>
    </message>
    <message>
        <source>The card image %1 could not be opened.</source>
        <translation>カードイメージ「%1」を開けませんでした。</translation>
    </message>
    <message>
        <source>It may not be a card image, or it cannot be read or written.</source>
        <translation>カードイメージではないか、読み書きできないファイルです。</translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n photos saved before you stopped.</source>
        <translation>
            <numerusform>止めるまでに写真 %n 枚のうち %1 枚を保存しました。</numerusform>
        </translation>
    </message>
    <message>
        <source>There were no new photos to import.</source>
        <translation>新しい写真はありませんでした。</translation>
    </message>
    <message numerus="yes">
        <source>%n photos imported.</source>
        <translation>
            <numerusform>写真 %n 枚を取り込みました。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The import stopped after %n photos.</source>
        <translation>
            <numerusform>写真 %n 枚を取り込んだところで止まりました。</numerusform>
        </translation>
    </message>
    <message>
        <source>Folder: %1</source>
        <translation>フォルダー：%1</translation>
    </message>
    <message numerus="yes">
        <source>%n duplicates on the card skipped.</source>
        <translation>
            <numerusform>カード上で重複している %n 枚は取り込みませんでした。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n photos were imported before and skipped.</source>
        <translation>
            <numerusform>取り込み済みの写真 %n 枚は取り込みませんでした。</numerusform>
        </translation>
    </message>
    <message>
        <source>&amp;Open folder</source>
        <translation>フォルダーを開く(&amp;O)</translation>
    </message>
    <message numerus="yes">
        <source>%n pictures added to the card.</source>
        <translation>
            <numerusform>画像 %n 枚をカードに追加しました。</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 of %2 pictures were added.</source>
        <translation>画像 %2 枚のうち %1 枚をカードに追加しました。</translation>
    </message>
    <message>
        <source>The card may be full, or a file is not a picture that can be read.</source>
        <translation>カードがいっぱいか、読み込めない画像ファイルがあります。</translation>
    </message>
    <message numerus="yes">
        <source>%n photos saved.</source>
        <translation>
            <numerusform>写真 %n 枚を保存しました。</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 of %2 photos were saved.</source>
        <translation>写真 %2 枚のうち %1 枚を保存しました。</translation>
    </message>
    <message>
        <source>A file of that name may be there already (nothing is replaced), or the folder cannot be written to.</source>
        <translation>同じ名前のファイルがすでにある（上書きはしません） か、フォルダーに書き込めません。</translation>
    </message>
    <message numerus="yes">
        <source>%n photos deleted.</source>
        <translation>
            <numerusform>写真 %n 枚を削除しました。</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 of %2 photos were deleted.</source>
        <translation>写真 %2 枚のうち %1 枚を削除しました。</translation>
    </message>
    <message>
        <source>Check that the camera is connected, then choose Reload.</source>
        <translation>カメラがつながっていることを確かめて、「再読み込み」を選んでください。</translation>
    </message>
    <message>
        <source>The card was backed up to %1.</source>
        <translation>カードを「%1」にバックアップしました。</translation>
    </message>
    <message>
        <source>The backup was not finished; its file was not kept.</source>
        <translation>バックアップは完了していないため、ファイルは残していません。</translation>
    </message>
    <message>
        <source>The card could not be backed up.</source>
        <translation>カードをバックアップできませんでした。</translation>
    </message>
    <message>
        <source>Check that the folder can be written to and has room, and that the camera is connected.</source>
        <translation>フォルダーに書き込めて空きがあること、カメラがつながっていることを確かめてください。</translation>
    </message>
    <message>
        <source>The card was restored.</source>
        <translation>カードを復元しました。</translation>
    </message>
    <message>
        <source>The card could not be restored.</source>
        <translation>カードを復元できませんでした。</translation>
    </message>
    <message>
        <source>The card was formatted.</source>
        <translation>カードをフォーマットしました。</translation>
    </message>
    <message>
        <source>The card could not be formatted.</source>
        <translation>カードをフォーマットできませんでした。</translation>
    </message>
    <message>
        <source>Check that the camera is connected, then try again.</source>
        <translation>カメラがつながっていることを確かめて、もう一度試してください。</translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n photos saved to %2 before you stopped.</source>
        <translation>
            <numerusform>止めるまでに画像 %n 枚のうち %1 枚を「%2」に保存しました。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n photos saved to %1.</source>
        <translation>
            <numerusform>画像 %n 枚を「%1」に保存しました。</numerusform>
        </translation>
    </message>
    <message>
        <source>The card&apos;s photo list was repaired: the card is ready to use again.</source>
        <translation>カードの写真リストを修復しました。カードはまた使えます。</translation>
    </message>
    <message numerus="yes">
        <source>The photos on the card now are replaced by the %n photos in the backup.</source>
        <translation>
            <numerusform>カードにある今の写真は、バックアップの写真 %n 枚に置き換わります。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The %n pictures have been saved. Repairing formats the card and puts them back on it.</source>
        <translation>
            <numerusform>画像 %n 枚は保存しました。修復するとカードをフォーマットし、画像を書き戻します。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The %n pictures have been saved. Repairing makes the card list them again, so the camera and this window show them.</source>
        <translation>
            <numerusform>画像 %n 枚は保存しました。修復すると再びリストに載り、カメラでもこのウィンドウでも表示されます。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n photos stay on the card: their files did not read back as they were saved.</source>
        <translation>
            <numerusform>写真 %n 枚はカードに残しました。保存したファイルを読み直すと内容が違っていました。</numerusform>
        </translation>
    </message>
    <message>
        <source>Photos already saved are skipped when you import again.</source>
        <translation>もう一度取り込むと、保存済みの写真はスキップされます。</translation>
    </message>
    <message>
        <source>The file may not be a backup of a card of this size.</source>
        <translation>このファイルは、この容量のカードのバックアップではないかもしれません。</translation>
    </message>
    <message>
        <source>The card&apos;s photo list could not be repaired.</source>
        <translation>カードの写真リストを修復できませんでした。</translation>
    </message>
    <message>
        <source>The card&apos;s pictures could not be saved.</source>
        <translation>カードの画像を保存できませんでした。</translation>
    </message>
    <message>
        <source>Say whether the card holds 8 MiB or 16 MiB when asked.</source>
        <translation>確認されたら、カードが 8 MiB か 16 MiB かを選んでください。</translation>
    </message>
    <message>
        <source>Choose File ▸ Open card image… and pick a card image that exists.</source>
        <translation>「ファイル ▸ カードイメージを開く…」で、存在するカードイメージを選んでください。</translation>
    </message>
    <message>
        <source>Choose another name or folder.</source>
        <translation>別の名前かフォルダーを選んでください。</translation>
    </message>
    <message>
        <source>Try again.</source>
        <translation>もう一度試してください。</translation>
    </message>
    <message>
        <source>Check that the folder exists, can be written to and has room.</source>
        <translation>フォルダーがあり、書き込めて、空きがあることを確かめてください。</translation>
    </message>
    <message>
        <source>Connect the camera and choose File ▸ Reload, or choose File ▸ Open card image….</source>
        <translation>カメラをつないで「ファイル ▸ 再読み込み」を選ぶか、「ファイル ▸ カードイメージを開く…」を選んでください。</translation>
    </message>
    <message>
        <source>Choose Card ▸ Restore card… and restore %1 again to finish it.</source>
        <translation>「カード ▸ カードを復元…」で「%1」をもう一度復元して完了させてください。</translation>
    </message>
    <message>
        <source>Choose Card ▸ Rescue photos… to save the pictures the card holds.</source>
        <translation>「カード ▸ 写真を救出…」でカードにある画像を保存してください。</translation>
    </message>
    <message>
        <source>Delete some photos first, or add fewer pictures.</source>
        <translation>先に写真をいくつか削除するか、カードに追加する画像を減らしてください。</translation>
    </message>
    <message>
        <source>Select photos in the grid first.</source>
        <translation>先に一覧で写真を選んでください。</translation>
    </message>
    <message>
        <source>How large is the card?</source>
        <translation>カードの容量はどれですか？</translation>
    </message>
    <message>
        <source>The card reads blank, so its size cannot be found. It is written on the card.</source>
        <translation>カードが空のため、容量を調べられません。容量はカードに書いてあります。</translation>
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
        <translation>写真 %1 をカードから読み込めませんでした。</translation>
    </message>
    <message>
        <source>Photo %1 is no longer on the card.</source>
        <translation>写真 %1 はもうカードにありません。</translation>
    </message>
    <message>
        <source>Photo %1 could not be deleted.</source>
        <translation>写真 %1 を削除できませんでした。</translation>
    </message>
    <message>
        <source>No pictures were found on the card.</source>
        <translation>カードに画像は見つかりませんでした。</translation>
    </message>
    <message numerus="yes">
        <source>No new photos; %n photos imported before were deleted from the card.</source>
        <translation>
            <numerusform>新しい写真はありませんでした。取り込み済みの写真 %n 枚をカードから削除しました。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n photos deleted from the card; each one is in the folder.</source>
        <translation>
            <numerusform>%n 枚の写真をカードから削除しました。どれもフォルダーに保存されています。</numerusform>
        </translation>
    </message>
    <message>
        <source>The card&apos;s photo list is sound; nothing on the card was changed.</source>
        <translation>カードの写真リストに問題はありません。カードは変更していません。</translation>
    </message>
    <message>
        <source>The card was not changed. To use it again, choose Card ▸ Format card…: the window then offers to put the saved pictures back.</source>
        <translation>カードは変更していません。もう一度使うには「カード ▸ カードをフォーマット…」を選んでください。そのあと、保存した画像をカードに戻せます。</translation>
    </message>
    <message>
        <source>A file of that name is there already, and nothing is replaced. Choose another folder, or move that file away first.</source>
        <translation>同じ名前のファイルがすでにあります（上書きはしません）。別のフォルダーを選ぶか、そのファイルを移動してください。</translation>
    </message>
    <message>
        <source>The pictures are saved. Choose Card ▸ Format card…: the window then offers to put them back on the card.</source>
        <translation>画像は保存済みです。「カード ▸ カードをフォーマット…」を選んでください。そのあと、画像をカードに戻せます。</translation>
    </message>
    <message>
        <source>Add the pictures it does not name back with Photos ▸ Add pictures… from the folder they were saved in.</source>
        <translation>一覧に載っていない画像は、保存先のフォルダーから「写真 ▸ 画像を追加…」でカードに戻してください。</translation>
    </message>
    <message numerus="yes">
        <source>This file is not a card image (%n bytes).</source>
        <translation>
            <numerusform>このファイルはカードイメージではありません（%n バイト）。</numerusform>
        </translation>
    </message>
    <message>
        <source>This file cannot be used as a card image.</source>
        <translation>このファイルはカードイメージとして使えません。</translation>
    </message>
    <message>
        <source>Choose File ▸ Open card image… and pick a card image: a whole-card backup of 8 MiB or 16 MiB.</source>
        <translation>「ファイル ▸ カードイメージを開く…」で、カード全体のバックアップ（8 MiB または 16 MiB）を選んでください。</translation>
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
    <name>pixavon::gui::MainWindow</name>
    <message>
        <source>&amp;Save selected as…</source>
        <translation>選択した写真を保存(&amp;S)…</translation>
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
        <source>&amp;Photos</source>
        <translation>写真(&amp;P)</translation>
    </message>
    <message>
        <source>Card images (*.bin);;All files (*)</source>
        <translation>カードイメージ (*.bin);;すべてのファイル (*)</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Pixavon</source>
        <translation>Pixavon</translation>
    </message>
    <message>
        <source>&amp;Open card image…</source>
        <translation>カードイメージを開く(&amp;O)…</translation>
    </message>
    <message>
        <source>Work on a card image (a whole-card backup) instead of the camera</source>
        <translation>カメラの代わりにカードイメージ（カード全体のバックアップ）を使います</translation>
    </message>
    <message>
        <source>&amp;Import photos…</source>
        <translation>写真を取り込む(&amp;I)…</translation>
    </message>
    <message>
        <source>&amp;Add pictures…</source>
        <translation>画像を追加(&amp;A)…</translation>
    </message>
    <message>
        <source>&amp;View photo</source>
        <translation>写真を表示(&amp;V)</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>削除(&amp;D)</translation>
    </message>
    <message>
        <source>&amp;Back up card…</source>
        <translation>カードをバックアップ(&amp;B)…</translation>
    </message>
    <message>
        <source>R&amp;estore card…</source>
        <translation>カードを復元(&amp;E)…</translation>
    </message>
    <message>
        <source>&amp;Format card…</source>
        <translation>カードをフォーマット(&amp;F)…</translation>
    </message>
    <message>
        <source>Res&amp;cue photos…</source>
        <translation>写真を救出(&amp;C)…</translation>
    </message>
    <message>
        <source>Save every picture the card holds, whatever its photo list says</source>
        <translation>写真リストの内容にかかわらず、カードにあるすべての画像を保存します</translation>
    </message>
    <message>
        <source>&amp;About Pixavon</source>
        <translation>Pixavon のバージョン情報(&amp;A)</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>ファイル(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Card</source>
        <translation>カード(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>ヘルプ(&amp;H)</translation>
    </message>
    <message>
        <source>Main</source>
        <translation>メイン</translation>
    </message>
    <message>
        <source>Photos on the card</source>
        <translation>カードの写真</translation>
    </message>
    <message>
        <source>Save photo %1 as</source>
        <translation>写真 %1 の保存先</translation>
    </message>
    <message>
        <source>PNG pictures (*.png);;JPEG pictures (*.jpg *.jpeg);;Camera bitmaps (*.bmp)</source>
        <translation>PNG 画像 (*.png);;JPEG 画像 (*.jpg *.jpeg);;カメラのビットマップ (*.bmp)</translation>
    </message>
    <message numerus="yes">
        <source>Save %n photos into</source>
        <translation>
            <numerusform>写真 %n 枚の保存先</numerusform>
        </translation>
    </message>
    <message>
        <source>Photo %1 is still being read from the card.</source>
        <translation>写真 %1 はまだカードから読み込み中です。</translation>
    </message>
    <message>
        <source>Back up card</source>
        <translation>カードのバックアップ</translation>
    </message>
    <message>
        <source>Restore card from</source>
        <translation>カードの復元元</translation>
    </message>
    <message>
        <source>Save the rescued photos into</source>
        <translation>救出した写真の保存先</translation>
    </message>
    <message>
        <source>Open card image</source>
        <translation>カードイメージを開く</translation>
    </message>
    <message>
        <source>Pixavon %1</source>
        <translation>Pixavon %1</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>カメラ</translation>
    </message>
    <message>
        <source>%1 — Pixavon</source>
        <translation>%1 — Pixavon</translation>
    </message>
    <message>
        <source>No camera was found. Connect the camera and choose Reload, or open a card image.</source>
        <translation>カメラが見つかりません。カメラをつないで「再読み込み」を選ぶか、カードイメージを開いてください。</translation>
    </message>
    <message>
        <source>The card&apos;s photo list is damaged.</source>
        <translation>カードの写真リストが壊れています。</translation>
    </message>
    <message>
        <source>The pictures themselves are most likely still there: Rescue photos saves every one of them into a folder, then repairs the list.</source>
        <translation>画像そのものはまだ残っている可能性が高いです。「写真を救出」ですべての画像をフォルダーに保存してから、リストを修復します。</translation>
    </message>
    <message>
        <source>The card image %1 could not be opened.</source>
        <translation>カードイメージ「%1」を開けませんでした。</translation>
    </message>
    <message>
        <source>No file manager could be started to show the folder.</source>
        <translation>フォルダーを表示するファイルマネージャーを起動できませんでした。</translation>
    </message>
    <message>
        <source>The photos are in %1.</source>
        <translation>写真は「%1」にあります。</translation>
    </message>
    <message>
        <source>The card is being restored; the window closes once it has finished.</source>
        <translation>カードを復元中です。完了したらウィンドウを閉じます。</translation>
    </message>
    <message>
        <source>The card image %1 could not be saved; check that its folder can be written to and has room.</source>
        <translation>カードイメージ「%1」を保存できませんでした。フォルダーに書き込めて空きがあるか確かめてください。</translation>
    </message>
    <message>
        <source>Imports go to %1</source>
        <translation>取り込み先：%1</translation>
    </message>
    <message>
        <source>The card could not be read.</source>
        <translation>カードを読み込めませんでした。</translation>
    </message>
    <message>
        <source>The camera cannot be used.</source>
        <translation>カメラを使えません。</translation>
    </message>
    <message>
        <source>Choose where the photos go and whether they leave the card</source>
        <translation>写真の保存先と、取り込んだ写真をカードから削除するかを選びます</translation>
    </message>
    <message>
        <source>Import &amp;new photos</source>
        <translation>新しい写真を取り込む(&amp;N)</translation>
    </message>
    <message>
        <source>Save the photos this computer does not have yet into the import folder</source>
        <translation>このコンピューターにまだない写真を、取り込み先のフォルダーに保存します</translation>
    </message>
    <message>
        <source>Import selec&amp;ted photos</source>
        <translation>選んだ写真を取り込む(&amp;T)</translation>
    </message>
    <message>
        <source>Save the selected photos into the import folder</source>
        <translation>選んだ写真を取り込み先のフォルダーに保存します</translation>
    </message>
    <message>
        <source>There are no photos on this card.</source>
        <translation>このカードには写真がありません。</translation>
    </message>
    <message>
        <source>Take some with the camera, or choose Photos ▸ Add pictures… to put pictures from this computer on the card.</source>
        <translation>カメラで撮影するか、「写真 ▸ 画像を追加…」でこのコンピューターの画像をカードに追加してください。</translation>
    </message>
    <message>
        <source>About Pixavon</source>
        <translation>Pixavon について</translation>
    </message>
    <message>
        <source>Imports the photos on the Lumetta camera&apos;s card to this computer, puts pictures on the card, and backs up, restores and rescues the card.</source>
        <translation>Lumetta カメラのカードから写真をこのコンピューターに取り込みます。画像をカードに追加したり、カードのバックアップ・復元・救出をしたりもできます。</translation>
    </message>
    <message numerus="yes">
        <source>Put the %n rescued pictures back on the card?</source>
        <translation>
            <numerusform>救出した画像 %n 枚をカードに戻しますか？</numerusform>
        </translation>
    </message>
    <message>
        <source>They are in %1.</source>
        <translation>画像は「%1」にあります。</translation>
    </message>
    <message>
        <source>Put back</source>
        <translation>カードに戻す</translation>
    </message>
    <message numerus="yes">
        <source>%n photos, %1 free (%2 MiB card)</source>
        <translation>
            <numerusform>写真 %n 枚、あと %1 枚撮れます（%2 MiB のカード）</numerusform>
        </translation>
    </message>
    <message>
        <source>Photo list damaged (%1 MiB card)</source>
        <translation>写真リストが壊れています（%1 MiB のカード）</translation>
    </message>
    <message>
        <source>Photo list damaged</source>
        <translation>写真リストが壊れています</translation>
    </message>
    <message>
        <source>No camera</source>
        <translation>カメラなし</translation>
    </message>
    <message>
        <source>The pictures are saved in %1.</source>
        <translation>画像は「%1」に保存してあります。</translation>
    </message>
    <message>
        <source>To use the card again, format it: the window then offers to put the pictures back.</source>
        <translation>カードをもう一度使うにはフォーマットしてください。そのあと、画像をカードに戻せます。</translation>
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
