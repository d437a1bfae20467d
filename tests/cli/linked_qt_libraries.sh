#!/bin/sh
# The program's shared libraries as the dynamic loader resolves them: Qt Core (so that a broken
# ldd cannot pass unnoticed) and no Qt Widgets, which a command line has no use for.
# usage: linked_qt_libraries.sh PROGRAM
libs=$(ldd "$1") || { echo "ldd failed on $1"; exit 1; }
case $libs in
*libQt6Widgets*)
    echo "$1 loads Qt Widgets:"
    echo "$libs" | grep -i qt
    exit 1
    ;;
esac
case $libs in
*libQt6Core*) ;;
*)
    echo "ldd names no libQt6Core for $1:"
    echo "$libs"
    exit 1
    ;;
esac
echo "$libs" | grep -i qt
