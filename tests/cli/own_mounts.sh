# Sourced first by the scripts that mount media: reruns the script in a
# mount namespace of its own (or skips it where the machine gives none), then
# loads lib.sh and unmounts the media at exit.
if [ "${2:-}" != "--inner" ]; then
    if ! unshare -m true 2>/dev/null; then
        echo "skipped: this machine gives no mount namespace"
        exit 0
    fi
    exec unshare -m "$0" "$1" --inner
fi
source "$(dirname "$0")/lib.sh"
trap 'umount "$dir/full" "$dir/media" 2>/dev/null; rm -rf "$dir"' EXIT
