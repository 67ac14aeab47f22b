# Settings shared by the Windows scripts; sourced, not run.
# The Windows Qt must be the host's Qt version: the host's moc, rcc and uic build for it.
KSV_QT_VERSION=6.4.2
KSV_QT_PREFIX=${KSV_QT_PREFIX:-$HOME/.cache/ksv/qt-$KSV_QT_VERSION-mingw64}
KSV_MINGW_TRIPLE=x86_64-w64-mingw32
# The file that marks a complete prefix: build-qt.sh writes it last.
KSV_QT_STAMP=$KSV_QT_PREFIX/ksv-qt-built.txt

# Prints a duration in seconds as minutes and seconds.
ksv_duration() { printf '%d min %02d s' $(($1 / 60)) $(($1 % 60)); }
