# cmake -DIN=FILE -DOUT=FILE -DNAME=NAME -DVERSION=X.Y.Z -P PixavonManPage.cmake
# Turns a man page that doxygen wrote into one that is installed as NAME(3):
# a title line without the build's date, and NAME as the page's name.
file(READ ${IN} page)
string(REGEX REPLACE "^\\.TH [^\n]*\n" ".TH \"${NAME}\" 3 \"\" \"libpixavon ${VERSION}\" \"libpixavon\"\n" page "${page}")
string(REGEX REPLACE "\\.SH NAME\n[^ ]+ \\\\-" ".SH NAME\n${NAME} \\\\-" page "${page}")
file(WRITE ${OUT} "${page}")
