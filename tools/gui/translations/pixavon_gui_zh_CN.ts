<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>DesktopDialogs</name>
    <message>
        <source>Add pictures</source>
        <translation>添加图片到存储卡</translation>
    </message>
    <message>
        <source>Pictures (%1);;All files (*)</source>
        <translation>图片 (%1);;所有文件 (*)</translation>
    </message>
</context>
<context>
    <name>Phrases</name>
    <message>
        <source>Importing photo %1 of %2</source>
        <translation>正在导入照片（第 %1 张，共 %2 张）</translation>
    </message>
    <message>
        <source>Adding picture %1 of %2</source>
        <translation>正在添加图片（第 %1 张，共 %2 张）</translation>
    </message>
    <message>
        <source>Saving photo %1 of %2</source>
        <translation>正在保存照片（第 %1 张，共 %2 张）</translation>
    </message>
    <message>
        <source>Deleting photos</source>
        <translation>正在删除照片</translation>
    </message>
    <message>
        <source>Backing up the card</source>
        <translation>正在备份存储卡</translation>
    </message>
    <message>
        <source>Restoring the card; this cannot be stopped</source>
        <translation>正在恢复存储卡（无法停止）</translation>
    </message>
    <message>
        <source>Formatting the card</source>
        <translation>正在格式化存储卡</translation>
    </message>
    <message>
        <source>Rescuing photos</source>
        <translation>正在抢救照片</translation>
    </message>
    <message>
        <source>Reading the card</source>
        <translation>正在读取存储卡</translation>
    </message>
    <message numerus="yes">
        <source>about %n seconds left</source>
        <translation>
            <numerusform>大约还需 %n 秒</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>about %n minutes left</source>
        <translation>
            <numerusform>大约还需 %n 分钟</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Delete %n photos from the card?</source>
        <translation>
            <numerusform>要从存储卡删除 %n 张照片吗？</numerusform>
        </translation>
    </message>
    <message>
        <source>Photos that were not imported are lost.</source>
        <translation>尚未导入的照片将会丢失。</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Format the card?</source>
        <translation>要格式化存储卡吗？</translation>
    </message>
    <message>
        <source>Every photo on the card is erased.</source>
        <translation>存储卡上的所有照片都会被清除。</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>格式化</translation>
    </message>
    <message>
        <source>Restore the card from this backup?</source>
        <translation>要用这个备份恢复存储卡吗？</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>恢复</translation>
    </message>
    <message>
        <source>Repair the card&apos;s photo list?</source>
        <translation>要修复存储卡的照片列表吗？</translation>
    </message>
    <message>
        <source>Repair</source>
        <translation>修复</translation>
    </message>
    <message>
        <source>Go on?</source>
        <translation>要继续吗？</translation>
    </message>
    <message>
        <source>Go on</source>
        <translation>继续</translation>
    </message>
    <message>
        <source>Nothing was changed.</source>
        <translation>没有做任何更改。</translation>
    </message>
    <message>
        <source>Stopped. %1</source>
        <translation>已停止。%1</translation>
    </message>
    <message>
        <source>The card image %1 could not be opened.</source>
        <translation>无法打开存储卡镜像“%1”。</translation>
    </message>
    <message>
        <source>It may not be a card image, or it cannot be read or written.</source>
        <translation>它可能不是存储卡镜像，或无法读写。</translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n photos saved before you stopped.</source>
        <translation>
            <numerusform>停止前已保存 %n 张照片中的 %1 张。</numerusform>
        </translation>
    </message>
    <message>
        <source>There were no new photos to import.</source>
        <translation>没有新的照片可导入。</translation>
    </message>
    <message numerus="yes">
        <source>%n photos imported.</source>
        <translation>
            <numerusform>已导入 %n 张照片。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The import stopped after %n photos.</source>
        <translation>
            <numerusform>导入 %n 张照片后停止了。</numerusform>
        </translation>
    </message>
    <message>
        <source>Folder: %1</source>
        <translation>文件夹：%1</translation>
    </message>
    <message numerus="yes">
        <source>%n duplicates on the card skipped.</source>
        <translation>
            <numerusform>已跳过存储卡上重复的 %n 张。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n photos were imported before and skipped.</source>
        <translation>
            <numerusform>已跳过之前导入过的 %n 张照片。</numerusform>
        </translation>
    </message>
    <message>
        <source>&amp;Open folder</source>
        <translation>打开文件夹(&amp;O)</translation>
    </message>
    <message numerus="yes">
        <source>%n pictures added to the card.</source>
        <translation>
            <numerusform>已向存储卡添加 %n 张图片。</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 of %2 pictures were added.</source>
        <translation>%2 张图片中已添加 %1 张。</translation>
    </message>
    <message>
        <source>The card may be full, or a file is not a picture that can be read.</source>
        <translation>存储卡可能已满，或有文件不是可读取的图片。</translation>
    </message>
    <message numerus="yes">
        <source>%n photos saved.</source>
        <translation>
            <numerusform>已保存 %n 张照片。</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 of %2 photos were saved.</source>
        <translation>%2 张照片中已保存 %1 张。</translation>
    </message>
    <message>
        <source>A file of that name may be there already (nothing is replaced), or the folder cannot be written to.</source>
        <translation>可能已有同名文件（不会覆盖），或文件夹无法写入。</translation>
    </message>
    <message numerus="yes">
        <source>%n photos deleted.</source>
        <translation>
            <numerusform>已删除 %n 张照片。</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 of %2 photos were deleted.</source>
        <translation>%2 张照片中已删除 %1 张。</translation>
    </message>
    <message>
        <source>Check that the camera is connected, then choose Reload.</source>
        <translation>请确认相机已连接，再选“刷新”。</translation>
    </message>
    <message>
        <source>The card was backed up to %1.</source>
        <translation>存储卡已备份到“%1”。</translation>
    </message>
    <message>
        <source>The backup was not finished; its file was not kept.</source>
        <translation>备份没有完成，未保留备份文件。</translation>
    </message>
    <message>
        <source>The card could not be backed up.</source>
        <translation>无法备份存储卡。</translation>
    </message>
    <message>
        <source>Check that the folder can be written to and has room, and that the camera is connected.</source>
        <translation>请确认文件夹可写入且有空间，并且相机已连接。</translation>
    </message>
    <message>
        <source>The card was restored.</source>
        <translation>存储卡已恢复。</translation>
    </message>
    <message>
        <source>The card could not be restored.</source>
        <translation>无法恢复存储卡。</translation>
    </message>
    <message>
        <source>The card was formatted.</source>
        <translation>存储卡已格式化。</translation>
    </message>
    <message>
        <source>The card could not be formatted.</source>
        <translation>无法格式化存储卡。</translation>
    </message>
    <message>
        <source>Check that the camera is connected, then try again.</source>
        <translation>请确认相机已连接，再试一次。</translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n photos saved to %2 before you stopped.</source>
        <translation>
            <numerusform>停止前已将 %n 张图片中的 %1 张保存到“%2”。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n photos saved to %1.</source>
        <translation>
            <numerusform>已将 %n 张图片保存到“%1”。</numerusform>
        </translation>
    </message>
    <message>
        <source>The card&apos;s photo list was repaired: the card is ready to use again.</source>
        <translation>存储卡的照片列表已修复，存储卡可以再次使用。</translation>
    </message>
    <message numerus="yes">
        <source>The photos on the card now are replaced by the %n photos in the backup.</source>
        <translation>
            <numerusform>存储卡上现有的照片会被备份里的 %n 张照片替换。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The %n pictures have been saved. Repairing formats the card and puts them back on it.</source>
        <translation>
            <numerusform>%n 张图片已经保存好。修复会格式化存储卡，再把图片放回去。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The %n pictures have been saved. Repairing makes the card list them again, so the camera and this window show them.</source>
        <translation>
            <numerusform>%n 张图片已经保存好。修复后存储卡会重新列出它们，相机和这个窗口就能显示。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n photos stay on the card: their files did not read back as they were saved.</source>
        <translation>
            <numerusform>%n 张照片留在存储卡上：保存的文件读回时与原来不符。</numerusform>
        </translation>
    </message>
    <message>
        <source>Photos already saved are skipped when you import again.</source>
        <translation>再导入一次时，已保存的照片会跳过。</translation>
    </message>
    <message>
        <source>The file may not be a backup of a card of this size.</source>
        <translation>这个文件可能不是此容量存储卡的备份。</translation>
    </message>
    <message>
        <source>The card&apos;s photo list could not be repaired.</source>
        <translation>无法修复存储卡的照片列表。</translation>
    </message>
    <message>
        <source>The card&apos;s pictures could not be saved.</source>
        <translation>无法保存存储卡上的图片。</translation>
    </message>
    <message>
        <source>Say whether the card holds 8 MiB or 16 MiB when asked.</source>
        <translation>询问时请选择存储卡是 8 MiB 还是 16 MiB。</translation>
    </message>
    <message>
        <source>Choose File ▸ Open card image… and pick a card image that exists.</source>
        <translation>请选“文件 ▸ 打开存储卡镜像…”并选择一个存在的存储卡镜像。</translation>
    </message>
    <message>
        <source>Choose another name or folder.</source>
        <translation>请选择其他名称或文件夹。</translation>
    </message>
    <message>
        <source>Try again.</source>
        <translation>请再试一次。</translation>
    </message>
    <message>
        <source>Check that the folder exists, can be written to and has room.</source>
        <translation>请确认文件夹存在、可写入且有空间。</translation>
    </message>
    <message>
        <source>Connect the camera and choose File ▸ Reload, or choose File ▸ Open card image….</source>
        <translation>请连接相机后选“文件 ▸ 刷新”，或选“文件 ▸ 打开存储卡镜像…”。</translation>
    </message>
    <message>
        <source>Choose Card ▸ Restore card… and restore %1 again to finish it.</source>
        <translation>请选“存储卡 ▸ 恢复存储卡…”再恢复一次“%1”以完成。</translation>
    </message>
    <message>
        <source>Choose Card ▸ Rescue photos… to save the pictures the card holds.</source>
        <translation>请选“存储卡 ▸ 抢救照片…”把存储卡上的图片保存下来。</translation>
    </message>
    <message>
        <source>Delete some photos first, or add fewer pictures.</source>
        <translation>请先删除一些照片，或少添加几张图片。</translation>
    </message>
    <message>
        <source>Select photos in the grid first.</source>
        <translation>请先在列表中选择照片。</translation>
    </message>
    <message>
        <source>How large is the card?</source>
        <translation>存储卡容量是多少？</translation>
    </message>
    <message>
        <source>The card reads blank, so its size cannot be found. It is written on the card.</source>
        <translation>存储卡读起来是空白的，无法得知容量。容量印在存储卡上。</translation>
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
        <translation>无法从存储卡读取照片 %1。</translation>
    </message>
    <message>
        <source>Photo %1 is no longer on the card.</source>
        <translation>照片 %1 已不在存储卡上。</translation>
    </message>
    <message>
        <source>Photo %1 could not be deleted.</source>
        <translation>无法删除照片 %1。</translation>
    </message>
    <message>
        <source>No pictures were found on the card.</source>
        <translation>存储卡上找不到任何图片。</translation>
    </message>
    <message numerus="yes">
        <source>No new photos; %n photos imported before were deleted from the card.</source>
        <translation>
            <numerusform>没有新照片；已导入过的 %n 张照片已从存储卡删除。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n photos deleted from the card; each one is in the folder.</source>
        <translation>
            <numerusform>已从存储卡删除 %n 张照片，它们都已保存在文件夹中。</numerusform>
        </translation>
    </message>
    <message>
        <source>The card&apos;s photo list is sound; nothing on the card was changed.</source>
        <translation>存储卡的照片列表完好，存储卡未做任何更改。</translation>
    </message>
    <message>
        <source>The card was not changed. To use it again, choose Card ▸ Format card…: the window then offers to put the saved pictures back.</source>
        <translation>存储卡未做更改。要再次使用，请选择“存储卡 ▸ 格式化存储卡…”，之后可以把已保存的图片放回存储卡。</translation>
    </message>
    <message>
        <source>A file of that name is there already, and nothing is replaced. Choose another folder, or move that file away first.</source>
        <translation>已有同名文件，不会覆盖。请选择其他文件夹，或先把那个文件移走。</translation>
    </message>
    <message>
        <source>The pictures are saved. Choose Card ▸ Format card…: the window then offers to put them back on the card.</source>
        <translation>图片已保存。请选择“存储卡 ▸ 格式化存储卡…”，之后可以把它们放回存储卡。</translation>
    </message>
    <message>
        <source>Add the pictures it does not name back with Photos ▸ Add pictures… from the folder they were saved in.</source>
        <translation>清单里没有的图片，请从保存它们的文件夹中用“照片 ▸ 添加图片…”放回存储卡。</translation>
    </message>
    <message numerus="yes">
        <source>This file is not a card image (%n bytes).</source>
        <translation>
            <numerusform>此文件不是存储卡镜像（%n 字节）。</numerusform>
        </translation>
    </message>
    <message>
        <source>This file cannot be used as a card image.</source>
        <translation>此文件无法用作存储卡镜像。</translation>
    </message>
    <message>
        <source>Choose File ▸ Open card image… and pick a card image: a whole-card backup of 8 MiB or 16 MiB.</source>
        <translation>请选择“文件 ▸ 打开存储卡镜像…”，选一个整卡备份（8 MiB 或 16 MiB）。</translation>
    </message>
</context>
<context>
    <name>pixavon::gui::ImportDialog</name>
    <message>
        <source>Import photos</source>
        <translation>导入照片</translation>
    </message>
    <message>
        <source>&amp;Change…</source>
        <translation>更改(&amp;C)…</translation>
    </message>
    <message>
        <source>Import photos into</source>
        <translation>照片导入到</translation>
    </message>
    <message numerus="yes">
        <source>&amp;Selected photos only (%n)</source>
        <translation>
            <numerusform>仅导入所选照片(&amp;S)（%n 张）</numerusform>
        </translation>
    </message>
    <message>
        <source>&amp;Delete from the card after import</source>
        <translation>导入后从存储卡删除(&amp;D)</translation>
    </message>
    <message>
        <source>Each photo leaves the card only once its file reads back as it was saved.</source>
        <translation>只有保存后读回确认无误的照片才会从存储卡删除。</translation>
    </message>
    <message>
        <source>&amp;Import</source>
        <translation>导入(&amp;I)</translation>
    </message>
    <message>
        <source>Save to:</source>
        <translation>保存到：</translation>
    </message>
    <message>
        <source>Photos already imported into this folder are skipped.</source>
        <translation>已导入此文件夹的照片会跳过。</translation>
    </message>
</context>
<context>
    <name>pixavon::gui::LocaleFileDialog</name>
    <message>
        <source>Up one folder</source>
        <translation>上一级文件夹</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>文件夹</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>保存(&amp;S)</translation>
    </message>
    <message>
        <source>C&amp;hoose</source>
        <translation>选择(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>打开(&amp;O)</translation>
    </message>
    <message>
        <source>Folder &amp;name:</source>
        <translation>文件夹名(&amp;N)：</translation>
    </message>
    <message>
        <source>File &amp;name:</source>
        <translation>文件名(&amp;N)：</translation>
    </message>
    <message>
        <source>&amp;Type:</source>
        <translation>类型(&amp;T)：</translation>
    </message>
    <message>
        <source>There is no folder %1.</source>
        <translation>没有文件夹“%1”。</translation>
    </message>
    <message>
        <source>There is no file %1.</source>
        <translation>没有文件“%1”。</translation>
    </message>
    <message>
        <source>%1 already exists. Replace it?</source>
        <translation>“%1”已存在。要替换吗？</translation>
    </message>
</context>
<context>
    <name>pixavon::gui::MainWindow</name>
    <message>
        <source>&amp;Save selected as…</source>
        <translation>将所选照片另存为(&amp;S)…</translation>
    </message>
    <message>
        <source>&amp;Reload</source>
        <translation>刷新(&amp;R)</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>退出(&amp;Q)</translation>
    </message>
    <message>
        <source>&amp;Photos</source>
        <translation>照片(&amp;P)</translation>
    </message>
    <message>
        <source>Card images (*.bin);;All files (*)</source>
        <translation>存储卡镜像 (*.bin);;所有文件 (*)</translation>
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
        <translation>打开存储卡镜像(&amp;O)…</translation>
    </message>
    <message>
        <source>Work on a card image (a whole-card backup) instead of the camera</source>
        <translation>改用存储卡镜像（整张存储卡的备份），而不是相机</translation>
    </message>
    <message>
        <source>&amp;Import photos…</source>
        <translation>导入照片(&amp;I)…</translation>
    </message>
    <message>
        <source>&amp;Add pictures…</source>
        <translation>添加图片(&amp;A)…</translation>
    </message>
    <message>
        <source>&amp;View photo</source>
        <translation>显示照片(&amp;V)</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>删除(&amp;D)</translation>
    </message>
    <message>
        <source>&amp;Back up card…</source>
        <translation>备份存储卡(&amp;B)…</translation>
    </message>
    <message>
        <source>R&amp;estore card…</source>
        <translation>恢复存储卡(&amp;E)…</translation>
    </message>
    <message>
        <source>&amp;Format card…</source>
        <translation>格式化存储卡(&amp;F)…</translation>
    </message>
    <message>
        <source>Res&amp;cue photos…</source>
        <translation>抢救照片(&amp;C)…</translation>
    </message>
    <message>
        <source>Save every picture the card holds, whatever its photo list says</source>
        <translation>不论照片列表怎么写，把存储卡上的每张图片都保存下来</translation>
    </message>
    <message>
        <source>&amp;About Pixavon</source>
        <translation>关于 Pixavon(&amp;A)</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>文件(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Card</source>
        <translation>存储卡(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>帮助(&amp;H)</translation>
    </message>
    <message>
        <source>Main</source>
        <translation>主要</translation>
    </message>
    <message>
        <source>Photos on the card</source>
        <translation>存储卡上的照片</translation>
    </message>
    <message>
        <source>Save photo %1 as</source>
        <translation>将照片 %1 另存为</translation>
    </message>
    <message>
        <source>PNG pictures (*.png);;JPEG pictures (*.jpg *.jpeg);;Camera bitmaps (*.bmp)</source>
        <translation>PNG 图片 (*.png);;JPEG 图片 (*.jpg *.jpeg);;相机位图 (*.bmp)</translation>
    </message>
    <message numerus="yes">
        <source>Save %n photos into</source>
        <translation>
            <numerusform>%n 张照片保存到</numerusform>
        </translation>
    </message>
    <message>
        <source>Photo %1 is still being read from the card.</source>
        <translation>照片 %1 还在从存储卡读取中。</translation>
    </message>
    <message>
        <source>Back up card</source>
        <translation>备份存储卡</translation>
    </message>
    <message>
        <source>Restore card from</source>
        <translation>从此文件恢复存储卡</translation>
    </message>
    <message>
        <source>Save the rescued photos into</source>
        <translation>抢救出的照片保存到</translation>
    </message>
    <message>
        <source>Open card image</source>
        <translation>打开存储卡镜像</translation>
    </message>
    <message>
        <source>Pixavon %1</source>
        <translation>Pixavon %1</translation>
    </message>
    <message>
        <source>Camera</source>
        <translation>相机</translation>
    </message>
    <message>
        <source>%1 — Pixavon</source>
        <translation>%1 — Pixavon</translation>
    </message>
    <message>
        <source>No camera was found. Connect the camera and choose Reload, or open a card image.</source>
        <translation>找不到相机。请连接相机后选“刷新”，或打开存储卡镜像。</translation>
    </message>
    <message>
        <source>The card&apos;s photo list is damaged.</source>
        <translation>存储卡的照片列表已损坏。</translation>
    </message>
    <message>
        <source>The pictures themselves are most likely still there: Rescue photos saves every one of them into a folder, then repairs the list.</source>
        <translation>图片本身很可能还在：“抢救照片”会把每张图片保存到文件夹，再修复列表。</translation>
    </message>
    <message>
        <source>The card image %1 could not be opened.</source>
        <translation>无法打开存储卡镜像“%1”。</translation>
    </message>
    <message>
        <source>No file manager could be started to show the folder.</source>
        <translation>无法启动文件管理器来显示文件夹。</translation>
    </message>
    <message>
        <source>The photos are in %1.</source>
        <translation>照片在“%1”。</translation>
    </message>
    <message>
        <source>The card is being restored; the window closes once it has finished.</source>
        <translation>正在恢复存储卡，完成后窗口会关闭。</translation>
    </message>
    <message>
        <source>The card image %1 could not be saved; check that its folder can be written to and has room.</source>
        <translation>无法保存存储卡镜像“%1”；请确认其文件夹可写入且有空间。</translation>
    </message>
    <message>
        <source>Imports go to %1</source>
        <translation>导入到：%1</translation>
    </message>
    <message>
        <source>The card could not be read.</source>
        <translation>无法读取存储卡。</translation>
    </message>
    <message>
        <source>The camera cannot be used.</source>
        <translation>无法使用相机。</translation>
    </message>
    <message>
        <source>Choose where the photos go and whether they leave the card</source>
        <translation>选择照片保存到哪里，以及导入后是否从存储卡删除</translation>
    </message>
    <message>
        <source>Import &amp;new photos</source>
        <translation>导入新照片(&amp;N)</translation>
    </message>
    <message>
        <source>Save the photos this computer does not have yet into the import folder</source>
        <translation>把这台电脑上还没有的照片保存到导入文件夹</translation>
    </message>
    <message>
        <source>Import selec&amp;ted photos</source>
        <translation>导入所选照片(&amp;T)</translation>
    </message>
    <message>
        <source>Save the selected photos into the import folder</source>
        <translation>把所选照片保存到导入文件夹</translation>
    </message>
    <message>
        <source>There are no photos on this card.</source>
        <translation>这张存储卡上没有照片。</translation>
    </message>
    <message>
        <source>Take some with the camera, or choose Photos ▸ Add pictures… to put pictures from this computer on the card.</source>
        <translation>用相机拍几张，或选择“照片 ▸ 添加图片…”，把这台电脑上的图片添加到存储卡。</translation>
    </message>
    <message>
        <source>About Pixavon</source>
        <translation>关于 Pixavon</translation>
    </message>
    <message>
        <source>Imports the photos on the Lumetta camera&apos;s card to this computer, puts pictures on the card, and backs up, restores and rescues the card.</source>
        <translation>把 Lumetta 相机存储卡上的照片导入这台电脑，也可以向存储卡添加图片，以及备份、恢复和抢救存储卡。</translation>
    </message>
    <message numerus="yes">
        <source>Put the %n rescued pictures back on the card?</source>
        <translation>
            <numerusform>要把抢救出的 %n 张图片放回存储卡吗？</numerusform>
        </translation>
    </message>
    <message>
        <source>They are in %1.</source>
        <translation>图片在“%1”中。</translation>
    </message>
    <message>
        <source>Put back</source>
        <translation>放回</translation>
    </message>
    <message numerus="yes">
        <source>%n photos, %1 free (%2 MiB card)</source>
        <translation>
            <numerusform>%n 张照片，还能存 %1 张（%2 MiB 存储卡）</numerusform>
        </translation>
    </message>
    <message>
        <source>Photo list damaged (%1 MiB card)</source>
        <translation>照片列表已损坏（%1 MiB 存储卡）</translation>
    </message>
    <message>
        <source>Photo list damaged</source>
        <translation>照片列表已损坏</translation>
    </message>
    <message>
        <source>No camera</source>
        <translation>未连接相机</translation>
    </message>
    <message>
        <source>The pictures are saved in %1.</source>
        <translation>图片已保存在“%1”中。</translation>
    </message>
    <message>
        <source>To use the card again, format it: the window then offers to put the pictures back.</source>
        <translation>要再次使用存储卡，请将其格式化，之后可以把图片放回存储卡。</translation>
    </message>
</context>
<context>
    <name>pixavon::gui::PhotoModel</name>
    <message>
        <source>Photo %1, imported as %2</source>
        <translation>照片 %1，已导入为“%2”</translation>
    </message>
    <message>
        <source>Photo %1, not yet shown</source>
        <translation>照片 %1，读取中</translation>
    </message>
    <message>
        <source>Photo %1, not imported</source>
        <translation>照片 %1，尚未导入</translation>
    </message>
    <message>
        <source>Photo %1, could not be read from the card</source>
        <translation>照片 %1，无法从存储卡读取</translation>
    </message>
</context>
<context>
    <name>pixavon::gui::PhotoView</name>
    <message>
        <source>Photo %1</source>
        <translation>照片 %1</translation>
    </message>
    <message>
        <source>As taken, %1 × %2</source>
        <translation>原始大小（%1 × %2）</translation>
    </message>
    <message>
        <source>Twice the size, sharp</source>
        <translation>两倍大小（锐利）</translation>
    </message>
    <message>
        <source>Twice the size, smooth</source>
        <translation>两倍大小（平滑）</translation>
    </message>
</context>
</TS>
