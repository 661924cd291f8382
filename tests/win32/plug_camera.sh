# Sourced by the scripts that run Windows programs on an emulated camera.
# plug_camera CARD LINUX_BUILD_DIR WIN32_BUILD_DIR LOG: starts pixavon-emu
# with the card image CARD as a camera plugged into $WINEPREFIX (its output
# in LOG.out and LOG.err) and returns once the camera is there, which the
# emulator tells by printing its device path; its process id in $emulator.
# Fails, saying why, if the emulator ends first.
plug_camera() {
  "$2/pixavon-emu" --card "$1" --wine-prefix "$WINEPREFIX" --wine-files "$3" >"$4.out" 2>"$4.err" &
  emulator=$!
  local _
  for _ in $(seq 2400); do
    [[ -s "$4.out" ]] && return 0
    if ! kill -0 "$emulator" 2>/dev/null; then
      echo "the emulator did not start: $(cat "$4.err")" >&2
      return 1
    fi
    sleep 0.05
  done
}
