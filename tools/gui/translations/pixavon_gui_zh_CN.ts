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
