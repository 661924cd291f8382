<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
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
</TS>
