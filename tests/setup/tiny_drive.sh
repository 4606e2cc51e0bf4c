#!/bin/sh
# A wine drive with less than one megabyte free, for the disk-space question:
#   tiny_drive.sh mount DIR LETTER     a 512 KiB tmpfs at DIR, mapped as LETTER: in $WINEPREFIX
#   tiny_drive.sh unmount DIR LETTER   removes both again
# Mounting needs root; without it the script says so and exits with 77.
set -eu
action=$1 dir=$2 letter=$3
: "${WINEPREFIX:?tiny_drive.sh: WINEPREFIX is not set}"
link="$WINEPREFIX/dosdevices/$letter:"
case "$action" in
  mount)
    if [ "$(id -u)" -ne 0 ]; then
      echo "tiny_drive.sh: mounting a tmpfs needs root" >&2
      exit 77
    fi
    mkdir -p "$dir"
    mountpoint -q "$dir" || mount -t tmpfs -o size=512k tsv-tiny-drive "$dir"
    ln -sfn "$dir" "$link"
    ;;
  unmount)
    rm -f "$link"
    if mountpoint -q "$dir"; then umount "$dir"; fi
    rmdir "$dir" 2>/dev/null || true
    ;;
  *)
    echo "usage: tiny_drive.sh mount|unmount DIR LETTER" >&2
    exit 2
    ;;
esac
