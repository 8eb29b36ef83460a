#!/bin/sh
# check-install.sh CHECK
# The install check puts the build into $VELQUIN_ROOT/usr, laid out like a
# system so appstreamcli can look at the tree as a whole; the other checks
# read what is there.
set -eu

build=$VELQUIN_BUILD
root=$VELQUIN_ROOT
prefix=$root/usr
share=$prefix/share
sizes="16 22 24 32 48 64 128 256"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

need() {
    command -v "$1" >/dev/null 2>&1 || { echo "SKIP: $1 is not installed"; exit 77; }
}

# Width and height from a PNG's IHDR chunk, as "WxH".
png_size() {
    od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d\n", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }'
}

case "$1" in
install)
    rm -rf "$root"
    cmake --install "$build" --prefix "$prefix" >/dev/null
    ;;

files)
    for f in \
        bin/velquin bin/vqdtool \
        share/applications/org.morvex.velquin.desktop \
        share/metainfo/org.morvex.velquin.metainfo.xml \
        share/mime/packages/velquin.xml \
        share/icons/hicolor/scalable/apps/velquin.svg \
        share/velquin/Manual.pdf; do
        [ -s "$prefix/$f" ] || fail "$f is missing"
    done
    for b in velquin vqdtool; do
        [ -x "$prefix/bin/$b" ] || fail "bin/$b is not executable"
    done
    for s in $sizes; do
        png=$share/icons/hicolor/${s}x${s}/apps/velquin.png
        [ -s "$png" ] || fail "the ${s}px icon is missing"
        [ "$(png_size "$png")" = "${s}x${s}" ] || fail "the ${s}px icon is $(png_size "$png")"
    done
    [ "$(head -c 5 "$share/velquin/Manual.pdf")" = "%PDF-" ] || fail "Manual.pdf is not a PDF"
    # Nothing from the build tree may leak into an installed program.
    if command -v readelf >/dev/null 2>&1; then
        ! readelf -d "$prefix/bin/velquin" | grep -q "$build" || fail "velquin keeps a path into the build tree"
    fi
    ;;

manual)
    # The installed manual is the whole manual: every chapter a user looks
    # for, and every picture its page names.
    need pdfinfo
    need pdftotext
    need pdfimages
    pdf=$share/velquin/Manual.pdf
    pages=$(pdfinfo "$pdf" | awk '/^Pages:/ { print $2 }')
    [ "${pages:-0}" -ge 5 ] || fail "the manual has ${pages:-no} pages"
    text=$(pdftotext "$pdf" -)
    for heading in "Velquin 取扱説明書" "トリミング" "ボカシ" "マルチカット" "印刷" "環境設定" \
        "最近使ったファイルの管理" "作業内容の復元" "バージョン情報" "キー操作"; do
        printf '%s\n' "$text" | grep -q "$heading" || fail "the manual lacks \"$heading\""
    done
    named=$(grep -o '<img [^>]*src="[^"]*"' "$VELQUIN_MANUAL_SOURCE" | sed 's/.*src="//; s/"$//' | sort -u)
    [ -n "$named" ] || fail "the manual's page names no picture"
    shown=$(pdfimages -list "$pdf" | awk 'NR > 2 && $3 == "image"' | wc -l)
    [ "$shown" -ge "$(printf '%s\n' "$named" | wc -l)" ] || fail "the manual shows $shown of its pictures: $named"
    # A page naming a picture nobody added stops the build instead of
    # leaving a hole in the manual.
    scratch=$(mktemp -d)
    printf '<html><body><p>x</p><img src="missing.png"></body></html>' >"$scratch/page.html"
    if "$VELQUIN_MAKE_MANUAL" "$scratch/page.html" "$scratch/out.pdf" 2>/dev/null; then
        rm -rf "$scratch"
        fail "the manual builder accepted a missing picture"
    fi
    rm -rf "$scratch"
    ;;

desktop)
    need desktop-file-validate
    desktop-file-validate "$share/applications/org.morvex.velquin.desktop"
    grep -qx 'Exec=velquin %f' "$share/applications/org.morvex.velquin.desktop" || fail "Exec does not pass the file"
    grep -q '^MimeType=.*application/x-velquin-document;' "$share/applications/org.morvex.velquin.desktop" ||
        fail "the entry does not claim the document type"
    ;;

metainfo)
    need appstreamcli
    appstreamcli validate --no-net "$share/metainfo/org.morvex.velquin.metainfo.xml"
    appstreamcli validate-tree --no-net "$root"
    ;;

mime)
    need xmllint
    need update-mime-database
    xmllint --noout "$share/mime/packages/velquin.xml"
    xmllint --noout "$share/icons/hicolor/scalable/apps/velquin.svg"
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    # The cache goes into a copy: the installed tree holds only the source.
    mkdir -p "$work/share/mime"
    cp -r "$share/mime/packages" "$work/share/mime/"
    XDG_DATA_HOME="$work/share" update-mime-database "$work/share/mime" 2>"$work/errors"
    [ ! -s "$work/errors" ] || { cat "$work/errors" >&2; fail "update-mime-database complained"; }
    grep -q 'application/x-velquin-document:\*\.vqd' "$work/share/mime/globs2" || fail "no glob for *.vqd"
    grep -q 'application/x-velquin-document' "$work/share/mime/magic" || fail "no magic for documents"

    "$prefix/bin/vqdtool" create "$work/doc.vqd" "$share/icons/hicolor/48x48/apps/velquin.png" >/dev/null
    cp "$work/doc.vqd" "$work/UPPER.VQD"
    cp "$work/doc.vqd" "$work/other.bin"
    [ "$(head -c 4 "$work/doc.vqd")" = "MSCF" ] || fail "a document does not start with MSCF"
    types=$(XDG_DATA_HOME="$work/share" "$VELQUIN_MIME_TYPE" "$work/doc.vqd" "$work/UPPER.VQD" "$work/other.bin" | tr '\n' ' ')
    expected="application/x-velquin-document application/x-velquin-document application/vnd.ms-cab-compressed "
    [ "$types" = "$expected" ] || fail "types are '$types', expected '$expected'"
    ;;

run)
    # The installed program starts (and opens a document) without the build
    # tree; it keeps running until the timeout ends it.
    need timeout
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$work/config" "$work/runtime"
    chmod 700 "$work/runtime"
    "$prefix/bin/vqdtool" create "$work/doc.vqd" "$share/icons/hicolor/48x48/apps/velquin.png" >/dev/null
    "$prefix/bin/vqdtool" info "$work/doc.vqd" | grep -q . || fail "vqdtool info printed nothing"
    rc=0
    HOME=$work XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime TMPDIR=$work \
        timeout 5 "$prefix/bin/velquin" "$work/doc.vqd" >"$work/out" 2>&1 || rc=$?
    [ "$rc" -eq 124 ] || { cat "$work/out" >&2; fail "velquin ended early with status $rc"; }
    ;;

*)
    fail "unknown check $1"
    ;;
esac
