#!/usr/bin/env bash
# What the package installs, its control data, and the validators' verdict on the desktop
# entry, the AppStream metadata and the manual page as they are installed.
. "$(dirname "$0")/lib.sh"
APP=org.tallowquince.Tallowquince

echo "== dpkg-deb -c $(basename "$DEB")"
dpkg-deb -c "$DEB"

# The program, and what it finds relative to itself.
[ -x "$ROOT/usr/bin/tallowquince" ] || fail "no executable usr/bin/tallowquince"
file "$ROOT/usr/bin/tallowquince" | grep -q 'stripped$' || fail "the executable is not stripped"
share=$ROOT/usr/share/tallowquince
[ "$(cd "$share" && ls Skins)" = "$(printf '%s\n' GildedOval.TQSkin SilverPortrait.TQSkin Walnut.TQSkin)" ] ||
    fail "the bundled skins are not all in share/tallowquince/Skins: $(ls "$share/Skins")"
[ "$(cd "$share" && ls Locales)" = "$(printf '%s\n' German.TQLocale Russian.TQLocale)" ] ||
    fail "the bundled locales are not all in share/tallowquince/Locales"
[ "$(identify -format '%m' "$share/sample.jpg")" = JPEG ] || fail "no sample photo"

# Launcher, icons, metadata, manual page, copyright.
desktop=$ROOT/usr/share/applications/$APP.desktop
metainfo=$ROOT/usr/share/metainfo/$APP.metainfo.xml
icons=$ROOT/usr/share/icons/hicolor
[ -f "$desktop" ] || fail "no desktop entry"
grep -qx "Icon=$APP" "$desktop" || fail "the desktop entry names another icon"
grep -qx "Exec=tallowquince" "$desktop" || fail "the desktop entry starts another program"
grep -q '<svg' "$icons/scalable/apps/$APP.svg" || fail "no scalable icon"
for size in 16 22 24 32 48 64 128 256; do
    png=$icons/${size}x$size/apps/$APP.png
    [ "$(identify -format '%m %wx%h' "$png" 2>/dev/null)" = "PNG ${size}x$size" ] ||
        fail "no ${size}x$size PNG icon"
done
gzip -t "$ROOT/usr/share/man/man1/tallowquince.1.gz" || fail "no compressed manual page"
[ -s "$ROOT/usr/share/doc/tallowquince/copyright" ] || fail "no copyright file"
for path in $(dpkg-deb -c "$DEB" | awk '{print $NF}'); do
    case $path in
    ./ | ./usr/ | ./usr/bin/* | ./usr/share/ | ./usr/share/tallowquince/* | ./usr/share/applications/* | \
        ./usr/share/metainfo/* | ./usr/share/icons/* | ./usr/share/man/* | ./usr/share/doc/*) ;;
    *) fail "unexpected file in the package: $path" ;;
    esac
done

# The control data.
echo "== dpkg-deb -I $(basename "$DEB")"
dpkg-deb -I "$DEB"
field() { dpkg-deb -f "$DEB" "$1"; }
[ "$(field Package)" = tallowquince ] || fail "package name $(field Package)"
[ "$(field Version)" = "$VERSION" ] || fail "version $(field Version)"
[[ $(field Maintainer) =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] || fail "maintainer '$(field Maintainer)'"
[ -n "$(field Description)" ] || fail "no description"
depends=$(field Depends)
# From the binary (dpkg-shlibdeps), and the plugins and libraries it loads at run time.
for package in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6xml6 libzip4 \
    libx11-6 libqt6svg6 qt6-image-formats-plugins libheif1 "libdav1d[0-9]*"; do
    [[ ", $depends," == *", "$package" "* || ", $depends," == *", "$package","* ]] ||
        fail "Depends lacks $package: $depends"
done

# The validators, on the files as installed.
echo "== desktop-file-validate $APP.desktop"
out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate has remarks: $out"
echo "(no remarks)"
echo "== appstreamcli validate --no-net $APP.metainfo.xml"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects the metadata"
echo "== man --warnings tallowquince.1.gz"
out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l -Tutf8 "$ROOT/usr/share/man/man1/tallowquince.1.gz" 2>&1 >/dev/null)
[ -z "$out" ] || fail "the manual page has warnings: $out"
echo "(no warnings)"
echo "PASS: the package's files, control data, desktop entry, metadata and manual page"
