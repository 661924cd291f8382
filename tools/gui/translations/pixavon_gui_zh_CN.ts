<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="zh_CN">
<context>
    <name>QObject</name>
    <message>
        <source>Pictures (%1);;All files (*)</source>
        <translation>图片 (%1);;所有文件 (*)</translation>
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
        <translation>导入新照片：保存这台电脑还没有的照片</translation>
    </message>
    <message>
        <source>&amp;Import new photos…</source>
        <translation>导入新照片(&amp;I)…</translation>
    </message>
    <message>
        <source>&amp;Save selected as…</source>
        <translation>将所选照片另存为(&amp;S)…</translation>
    </message>
    <message>
        <source>&amp;Delete selected</source>
        <translation>删除所选照片(&amp;D)</translation>
    </message>
    <message>
        <source>&amp;Reload</source>
        <translation>重新载入(&amp;R)</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>退出(&amp;Q)</translation>
    </message>
    <message>
        <source>Choose the import &amp;folder…</source>
        <translation>选择导入文件夹(&amp;F)…</translation>
    </message>
    <message>
        <source>&amp;Photos</source>
        <translation>照片(&amp;P)</translation>
    </message>
    <message>
        <source>PNG (*.png);;JPEG (*.jpg *.jpeg);;Bitmap (*.bmp)</source>
        <translation>PNG (*.png);;JPEG (*.jpg *.jpeg);;位图 (*.bmp)</translation>
    </message>
    <message>
        <source>Card images (*.bin);;All files (*)</source>
        <translation>存储卡映像 (*.bin);;所有文件 (*)</translation>
    </message>
    <message>
        <source>Import new photos into</source>
        <translation>新照片的导入位置</translation>
    </message>
    <message>
        <source>Delete the selected photos from the card?</source>
        <translation>要从存储卡删除所选照片吗？</translation>
    </message>
    <message>
        <source>Format the card?</source>
        <translation>要格式化存储卡吗？</translation>
    </message>
    <message>
        <source>Write the backup onto the card?</source>
        <translation>要将备份写入存储卡吗？</translation>
    </message>
    <message>
        <source>Continue?</source>
        <translation>要继续吗？</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>photo %1</source>
        <translation>照片 %1</translation>
    </message>
    <message>
        <source> (%1 of %2)</source>
        <translation>（%1 / %2）</translation>
    </message>
    <message>
        <source>Stopped. Every step that had finished is complete on the card and on disk.</source>
        <translation>已停止。已完成的步骤在存储卡和磁盘上都已完整。</translation>
    </message>
    <message>
        <source>Nothing was changed.</source>
        <translation>没有任何更改。</translation>
    </message>
    <message>
        <source>The card could not be read.</source>
        <translation>无法读取存储卡。</translation>
    </message>
    <message>
        <source>The pictures could not be uploaded.</source>
        <translation>无法上传图片。</translation>
    </message>
    <message>
        <source>The photos could not be deleted.</source>
        <translation>无法删除照片。</translation>
    </message>
    <message>
        <source>The photos could not be saved.</source>
        <translation>无法保存照片。</translation>
    </message>
    <message>
        <source>The new photos could not be imported.</source>
        <translation>无法导入新照片。</translation>
    </message>
    <message>
        <source>The card could not be formatted.</source>
        <translation>无法格式化存储卡。</translation>
    </message>
    <message>
        <source>The card could not be backed up.</source>
        <translation>无法备份存储卡。</translation>
    </message>
    <message>
        <source>The card could not be restored.</source>
        <translation>无法还原存储卡。</translation>
    </message>
    <message>
        <source>Photo %1, slot %2</source>
        <translation>照片 %1，槽位 %2</translation>
    </message>
    <message>
        <source>Imported as %1</source>
        <translation>已导入为 %1</translation>
    </message>
    <message>
        <source>Photo %1 could not be read: %2</source>
        <translation>无法读取照片 %1：%2</translation>
    </message>
    <message>
        <source>There were no new photos to import.</source>
        <translation>没有要导入的新照片。</translation>
    </message>
    <message>
        <source>New photos saved: %1, in %2</source>
        <translation>已保存的新照片：%1 张，位于 %2</translation>
    </message>
    <message>
        <source>Photos already in the folder before: %1.</source>
        <translation>文件夹中原有的照片：%1 张。</translation>
    </message>
    <message>
        <source>Open folder</source>
        <translation>打开文件夹</translation>
    </message>
    <message>
        <source>%1 × %2</source>
        <translation>%1 × %2</translation>
    </message>
    <message>
        <source>2×, nearest neighbour</source>
        <translation>2 倍，最近邻</translation>
    </message>
    <message>
        <source>2×, smooth</source>
        <translation>2 倍，平滑</translation>
    </message>
    <message>
        <source>%1 MiB (capacity code %2): %3 photos, %4 free</source>
        <translation>%1 MiB（容量代码 %2）：照片 %3 张，可用 %4</translation>
    </message>
    <message>
        <source>Pixavon %1
Library: %2
Card: %3
Device: %4</source>
        <translation>Pixavon %1
库：%2
存储卡：%3
设备：%4</translation>
    </message>
    <message>
        <source>Photo %1 could not be read from the card.</source>
        <translation>无法从存储卡读取照片 %1。</translation>
    </message>
    <message>
        <source>The card is being restored. A restore cannot be stopped half-way: the card would be left with its old list over the new pictures. Close the window again once the restore has finished.</source>
        <translation>正在还原存储卡。还原无法中途停止：否则存储卡会留下旧的列表配上新的图片。请在还原完成后再关闭窗口。</translation>
    </message>
    <message>
        <source>&amp;Rescue…</source>
        <translation>抢救(&amp;R)…</translation>
    </message>
    <message>
        <source>Save every picture the card holds, whatever its catalog says, and repair the catalog</source>
        <translation>不论目录内容如何，保存卡上的所有图片并修复目录</translation>
    </message>
    <message>
        <source>Repair the card&apos;s catalog?</source>
        <translation>修复卡的目录吗？</translation>
    </message>
    <message>
        <source>The card could not be rescued in full.</source>
        <translation>未能完整抢救此卡。</translation>
    </message>
    <message>
        <source>Folder for the rescued pictures</source>
        <translation>抢救图片的保存文件夹</translation>
    </message>
    <message>
        <source>Pictures saved: %1 of %2 found, in %3</source>
        <translation>已保存图片：找到 %2 张中的 %1 张，位于 %3</translation>
    </message>
    <message>
        <source>The catalog was repaired and lists them again.</source>
        <translation>目录已修复，重新列出了这些图片。</translation>
    </message>
    <message>
        <source>The catalog was not changed.</source>
        <translation>目录未更改。</translation>
    </message>
</context>
</TS>