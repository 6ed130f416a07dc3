#!/usr/bin/env bash
# End-to-end run of the desktop program on a private X server, driven as a person would drive it:
# xdotool clicks and keys, screenshots read back at known pixels, the script file it records and
# its exit status. Usage: desktop.sh <path to cone>. Exits 0 when every check holds.
set -u

CONE=${1:-}
if [ -z "$CONE" ] || [ ! -x "$CONE" ]; then
    echo "usage: desktop.sh <path to the cone executable>" >&2
    exit 2
fi
CONE=$(cd "$(dirname "$CONE")" && pwd)/$(basename "$CONE")
for tool in Xvfb xdotool xwd python3; do
    command -v "$tool" >/dev/null || { echo "desktop.sh: $tool is missing" >&2; exit 2; }
done

WORK=$(mktemp -d "${TMPDIR:-/tmp}/desktop-e2e.XXXXXX")
XVFB_PID=
CONE_PID=
STEP="start"

cleanup() {
    if [ -n "$CONE_PID" ] && kill -0 "$CONE_PID" 2>/dev/null; then kill "$CONE_PID" 2>/dev/null; wait "$CONE_PID" 2>/dev/null; fi
    if [ -n "$XVFB_PID" ] && kill -0 "$XVFB_PID" 2>/dev/null; then kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null; fi
    if [ -z "${KEEP:-}" ]; then rm -rf "$WORK"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Prints the failure, keeps the evidence (screenshots as PNG when ImageMagick is there) and exits 1.
fail() {
    echo "desktop.sh: FAILED at step '$STEP': $*" >&2
    local keep="${TMPDIR:-/tmp}/desktop-e2e-failure.$$"
    mkdir -p "$keep"
    # The picture at the moment of failure, while the program may still be up.
    if [ -n "${GW:-}" ]; then xt grab "$GW" "$WORK/at-failure.xwd" 2>/dev/null; fi
    cp "$WORK"/*.xwd "$WORK"/cone.out "$WORK"/cone.err "$WORK"/run*/PLAKO.SCR "$keep"/ 2>/dev/null
    if command -v convert >/dev/null; then
        for f in "$keep"/*.xwd; do [ -e "$f" ] && convert "xwd:$f" "png:${f%.xwd}.png" 2>/dev/null && rm -f "$f"; done
    fi
    echo "desktop.sh: program output and screenshots kept in $keep" >&2
    if [ -s "$WORK/cone.err" ]; then echo "--- program stderr:" >&2; tail -n 20 "$WORK/cone.err" >&2; fi
    exit 1
}

# ---- pixels and window-manager messages, through xwd and Xlib ----
cat >"$WORK/xtool.py" <<'PY'
"""Screenshots of one window read back at content pixels, and the close request a window
manager would send. Content pixels: the window's own pixels, menu bar included."""
import ctypes, ctypes.util, os, struct, subprocess, sys, time


def grab(wid):
    data = subprocess.run(["xwd", "-silent", "-id", wid], check=True, capture_output=True).stdout
    return data


def parse(data):
    f = struct.unpack(">25I", data[:100])
    header_size, width, height = f[0], f[4], f[5]
    byte_order, bpp, bpl = f[7], f[11], f[12]
    masks, ncolors = f[14:17], f[19]
    start = header_size + 12 * ncolors
    return dict(w=width, h=height, bpp=bpp, bpl=bpl, order=byte_order, masks=masks, px=data[start:])


def shift_of(mask):
    s = 0
    while mask and not (mask >> s) & 1:
        s += 1
    return s


def rgb(img, x, y):
    if not (0 <= x < img["w"] and 0 <= y < img["h"]):
        return None
    n = img["bpp"] // 8
    off = y * img["bpl"] + x * n
    raw = img["px"][off:off + n]
    v = int.from_bytes(raw, "little" if img["order"] == 0 else "big")
    return tuple(((v & m) >> shift_of(m)) & 0xff for m in img["masks"])


def count(img, x0, y0, x1, y1, colour):
    return sum(1 for y in range(y0, y1 + 1) for x in range(x0, x1 + 1) if rgb(img, x, y) == colour)


def save(path, data):
    if path:
        with open(path, "wb") as out:
            out.write(data)


def main(argv):
    cmd = argv[0]
    if cmd == "grab":  # grab WID FILE
        save(argv[2], grab(argv[1]))
        return 0
    if cmd == "rgb":  # rgb FILE X Y
        print(*rgb(parse(open(argv[1], "rb").read()), int(argv[2]), int(argv[3])))
        return 0
    if cmd == "count":  # count FILE X0 Y0 X1 Y1 R G B
        img = parse(open(argv[1], "rb").read())
        print(count(img, *map(int, argv[2:6]), tuple(map(int, argv[6:9]))))
        return 0
    if cmd == "wait-rgb":  # wait-rgb WID X Y R G B TIMEOUT FILE: until the pixel has that colour
        wid, x, y, want, timeout, path = argv[1], int(argv[2]), int(argv[3]), tuple(map(int, argv[4:7])), float(argv[7]), argv[8]
        end, seen = time.time() + timeout, None
        while True:
            data = grab(wid)
            seen = rgb(parse(data), x, y)
            if seen == want or time.time() > end:
                save(path, data)
                if seen == want:
                    return 0
                print("pixel (%d, %d) is %s, expected %s" % (x, y, seen, want))
                return 1
            time.sleep(0.1)
    if cmd == "wait-change":  # wait-change WID REF TIMEOUT FILE: until the picture differs from REF
        wid, ref, timeout, path = argv[1], open(argv[2], "rb").read(), float(argv[3]), argv[4]
        end = time.time() + timeout
        while True:
            data = grab(wid)
            if data != ref:
                save(path, data)
                return 0
            if time.time() > end:
                save(path, data)
                print("the picture stayed the same for %.0f s" % timeout)
                return 1
            time.sleep(0.05)
    if cmd == "wait-steady":  # wait-steady WID GAP TIMEOUT FILE: until two grabs GAP s apart agree
        wid, gap, timeout, path = argv[1], float(argv[2]), float(argv[3]), argv[4]
        end = time.time() + timeout
        last = grab(wid)
        while True:
            time.sleep(gap)
            data = grab(wid)
            if data == last:
                save(path, data)
                return 0
            if time.time() > end:
                save(path, data)
                print("the picture kept changing for %.0f s" % timeout)
                return 1
            last = data
    if cmd == "close":  # close WID: WM_DELETE_WINDOW, as a window manager's close box sends it
        x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XInternAtom.restype = ctypes.c_ulong
        x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
        x11.XFlush.argtypes = [ctypes.c_void_p]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

        class ClientMessage(ctypes.Structure):
            _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                        ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                        ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

        class Event(ctypes.Union):
            _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

        dpy = x11.XOpenDisplay(None)
        if not dpy:
            print("cannot open the display")
            return 1
        ev = Event()
        ev.xclient.type = 33  # ClientMessage
        ev.xclient.window = int(argv[1])
        ev.xclient.message_type = x11.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
        ev.xclient.format = 32
        ev.xclient.data[0] = x11.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
        x11.XSendEvent(dpy, int(argv[1]), 0, 0, ctypes.byref(ev))
        x11.XFlush(dpy)
        x11.XCloseDisplay(dpy)
        return 0
    print("unknown command", cmd)
    return 2


sys.exit(main(sys.argv[1:]))
PY
xt() { python3 "$WORK/xtool.py" "$@"; }

# ---- the X server and the program ----
start_x() {
    STEP="start the X server"
    # -displayfd picks a free display number and reports it once the server is ready.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$WORK/display" 2>"$WORK/xvfb.log" &
    XVFB_PID=$!
    for _ in $(seq 300); do
        [ -s "$WORK/display" ] && break
        kill -0 "$XVFB_PID" 2>/dev/null || fail "Xvfb exited: $(tail -n 3 "$WORK/xvfb.log")"
        sleep 0.1
    done
    [ -s "$WORK/display" ] || fail "Xvfb did not report a display within 30 s"
    export DISPLAY=":$(head -n 1 "$WORK/display")"
}

# In a sanitizer build the leak check at exit decides the exit status. The system libraries the
# desktop brings along keep caches they never free; those are theirs, ours must still be clean.
cat >"$WORK/lsan.supp" <<'SUPP'
leak:libdbus-1.so
leak:libfontconfig.so
SUPP

# start_cone DIR: runs the program with DIR as its working directory.
start_cone() {
    mkdir -p "$1"
    (cd "$1" && LSAN_OPTIONS="suppressions=$WORK/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}" \
        exec "$CONE") >"$WORK/cone.out" 2>"$WORK/cone.err" &
    CONE_PID=$!
}

# find_window TITLE [--onlyvisible]: prints the window id once it exists (30 s at most).
find_window() {
    local id
    for _ in $(seq 300); do
        id=$(xdotool search ${2:-} --name "^$1\$" 2>/dev/null | head -n 1)
        if [ -n "$id" ]; then echo "$id"; return 0; fi
        kill -0 "$CONE_PID" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# wait_exit SECONDS: waits for the program to end and sets STATUS.
wait_exit() {
    for _ in $(seq $(($1 * 10))); do
        kill -0 "$CONE_PID" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$CONE_PID" 2>/dev/null && fail "the program is still running $1 s later"
    wait "$CONE_PID"
    STATUS=$?
    CONE_PID=
}

# Content pixel of a canvas point: the 595 by 495 client area has its origin at (297, 247),
# and the 20-pixel menu bar lies above the client area.
cx() { echo $((297 + $1)); }
cy() { echo $((247 - $1 + 20)); }

# click_canvas X Y: a left click at canvas point (X, Y).
click_canvas() {
    click_content "$(cx "$1")" "$(cy "$2")"
}

# click_content X Y: a left click at content pixel (X, Y) of the graphics window.
click_content() {
    timeout 10 xdotool mousemove --sync $((WX + $1)) $((WY + $2)) click 1 || fail "xdotool could not click at ($1, $2)"
}

# keys KEY...: focuses the graphics window (there is no window manager to do it) and types.
keys() {
    timeout 10 xdotool windowfocus --sync "$GW" 2>/dev/null || xdotool windowfocus "$GW"
    timeout 20 xdotool key --delay 60 "$@" || fail "xdotool could not type $*"
}

expect_rgb() {  # expect_rgb X Y R G B TIMEOUT WHAT: content pixel (X, Y) becomes (R, G, B)
    local msg
    msg=$(xt wait-rgb "$GW" "$1" "$2" "$3" "$4" "$5" "$6" "$WORK/shot.xwd") || fail "$7: $msg"
}

start_x

# ================= run 1: the whole tour =================
RUN="$WORK/run1"
start_cone "$RUN"

STEP="windows appear"
GW=$(find_window "PLAKO Graphics" --onlyvisible) || fail "no visible 'PLAKO Graphics' window (stderr: $(tail -n 3 "$WORK/cone.err"))"
TW=$(find_window "PLAKO Text") || fail "no 'PLAKO Text' window"
eval "$(xdotool getwindowgeometry --shell "$GW")"
WX=$X WY=$Y
[ "$WIDTH" = 595 ] && [ "$HEIGHT" = 515 ] || fail "graphics window content is ${WIDTH}x$HEIGHT, expected 595x515 (595x495 client under a 20-pixel menu bar)"
[ "$WX" -le 3 ] && [ "$WY" -le 25 ] || fail "graphics window content at ($WX, $WY), expected at the top-left of the screen"
eval "$(xdotool getwindowgeometry --shell "$TW")"
[ "$WIDTH" -ge 1200 ] && [ "$Y" -ge 600 ] || fail "console window is ${WIDTH}x$HEIGHT at ($X, $Y), expected across the bottom third"
# The program hides the console right after start; it must stay hidden (logging from the menu
# does not show it either).
for _ in $(seq 50); do
    [ -z "$(xdotool search --onlyvisible --name '^PLAKO Text$' 2>/dev/null)" ] && break
    sleep 0.1
done
[ -z "$(xdotool search --onlyvisible --name '^PLAKO Text$' 2>/dev/null)" ] || fail "the console window is still shown"

STEP="menu bar"
expect_rgb 300 5 192 192 192 20 "the menu bar is not the classic light grey"
n=$(xt count "$WORK/shot.xwd" 0 0 40 19 0 0 0)
[ "$n" -ge 15 ] || fail "the menu bar shows no black title text (found $n black pixels)"

STEP="intro ends"
# The panel's "Add Scoop" face (20% grey) appears with the first frame of the scene, ~15 s in.
expect_rgb "$(cx -220)" "$(cy 237)" 204 204 204 90 "the scene did not appear after the intro"
xt grab "$GW" "$WORK/scene.xwd"
expect_rgb "$(cx 20)" "$(cy 35)" 255 255 255 5 "the first scoop is not white"
expect_rgb "$(cx 0)" "$(cy -100)" 153 102 51 5 "the cone is not brown"
grey=$(xt count "$WORK/scene.xwd" "$(cx -290)" "$(cy 226)" "$(cx -210)" "$(cy 219)" 128 128 128)
[ "$grey" -ge 10 ] || fail "the 'Remove Scoop' label is not 50% grey with one scoop ($grey grey pixels)"

STEP="click Add Scoop"
click_canvas -250 237
expect_rgb "$(cx 0)" "$(cy 80)" 255 0 255 10 "no magenta second scoop after clicking 'Add Scoop'"
red=$(xt count "$WORK/shot.xwd" "$(cx -290)" "$(cy 226)" "$(cx -210)" "$(cy 219)" 255 0 0)
[ "$red" -ge 10 ] || fail "the 'Remove Scoop' label did not turn red with two scoops ($red red pixels)"

STEP="click on a scoop"
click_canvas 10 70
expect_rgb "$(cx 5)" "$(cy 67)" 255 0 0 10 "no red topping where the scoop was clicked"

STEP="Run menu from the keyboard"
keys alt+r
# The popup opens under the title with its first item highlighted in navy.
expect_rgb 10 30 0 0 128 10 "Alt+R did not open the Run popup with 'Animate' highlighted"
expect_rgb 1 21 255 255 255 2 "the popup has no 3D border"
keys Down Down Down
expect_rgb 10 90 0 0 128 10 "three Downs did not highlight 'Logging' (the separator must be skipped)"
keys Return
expect_rgb 300 5 192 192 192 10 "the menu bar is broken after choosing"
# Open it again: Logging now carries its check mark (black on grey), then Esc closes it.
keys alt+r
expect_rgb 11 92 0 0 0 10 "'Logging' has no check mark after choosing it"
keys Escape
xt wait-change "$GW" "$WORK/shot.xwd" 10 "$WORK/shot2.xwd" >/dev/null
n=$(xt count "$WORK/shot2.xwd" 3 23 120 100 0 0 128)
[ "$n" -eq 0 ] || fail "Esc did not close the popup"

STEP="Ctrl+H halts"
keys ctrl+h
msg=$(xt wait-steady "$GW" 0.7 15 "$WORK/halted.xwd") || fail "the animation did not stop: $msg"
sleep 0.5
xt grab "$GW" "$WORK/halted2.xwd"
cmp -s "$WORK/halted.xwd" "$WORK/halted2.xwd" || fail "the picture changed while halted"

STEP="Ctrl+F advances one frame"
keys ctrl+f
msg=$(xt wait-change "$GW" "$WORK/halted.xwd" 10 "$WORK/stepped.xwd") || fail "Ctrl+F drew no frame: $msg"
msg=$(xt wait-steady "$GW" 0.7 15 "$WORK/stepped.xwd") || fail "the animation went on after Ctrl+F: $msg"

STEP="Ctrl+A animates"
keys ctrl+a
msg=$(xt wait-change "$GW" "$WORK/stepped.xwd" 10 "$WORK/anim1.xwd") || fail "Ctrl+A did not restart the animation: $msg"
msg=$(xt wait-change "$GW" "$WORK/anim1.xwd" 10 "$WORK/anim2.xwd") || fail "the animation stopped again: $msg"

STEP="record a script"
rm -f "$RUN/PLAKO.SCR"
keys ctrl+r
# Let a few ticks pass so the script starts with a run of periodic events.
xt grab "$GW" "$WORK/r0.xwd"
xt wait-change "$GW" "$WORK/r0.xwd" 10 "$WORK/r1.xwd" >/dev/null || fail "no tick while recording"
xt wait-change "$GW" "$WORK/r1.xwd" 10 "$WORK/r2.xwd" >/dev/null || fail "no tick while recording"
click_canvas -10 40
keys x
keys ctrl+r
for _ in $(seq 100); do
    grep -q 'KBD' "$RUN/PLAKO.SCR" 2>/dev/null && break
    sleep 0.1
done
[ -s "$RUN/PLAKO.SCR" ] || fail "recording wrote no PLAKO.SCR"
bad=$(grep -Ev '^PLAKO_(MOUSE\(-?[0-9]+, -?[0-9]+\)|KBD\(-?[0-9]+\)|PERIODIC\([1-9][0-9]*\));$' "$RUN/PLAKO.SCR")
[ -z "$bad" ] || fail "malformed script lines: $bad"
order=$(grep -Eo '^PLAKO_(MOUSE|KBD|PERIODIC)' "$RUN/PLAKO.SCR" | tr '\n' ' ')
case "$order" in
    "PLAKO_PERIODIC PLAKO_MOUSE "*) ;;
    *) fail "the script does not start with ticks and then the click: $order" ;;
esac
grep -qx 'PLAKO_MOUSE(-10, 40);' "$RUN/PLAKO.SCR" || fail "the click at canvas (-10, 40) was not recorded as such: $(cat "$RUN/PLAKO.SCR")"
grep -qx 'PLAKO_KBD(120);' "$RUN/PLAKO.SCR" || fail "the typed x was not recorded as PLAKO_KBD(120): $(cat "$RUN/PLAKO.SCR")"
[ "$(grep -c MOUSE "$RUN/PLAKO.SCR")" = 1 ] && [ "$(grep -c KBD "$RUN/PLAKO.SCR")" = 1 ] || fail "extra events recorded: $(cat "$RUN/PLAKO.SCR")"
# The click also placed the second topping (green) on the first scoop.
expect_rgb "$(cx -15)" "$(cy 37)" 0 255 0 10 "no green topping where the recorded click landed"

STEP="Logging off with the mouse"
click_content 15 10
expect_rgb 11 92 0 0 0 10 "clicking 'Run' did not open the popup with Logging checked"
click_content 40 91
expect_rgb 300 5 192 192 192 10 "the menu bar is broken after a mouse choice"
click_content 15 10
expect_rgb 10 90 192 192 192 10 "the popup did not open again"
[ "$(xt count "$WORK/shot.xwd" 9 88 15 94 0 0 0)" = 0 ] || fail "Logging is still checked after choosing it with the mouse"
click_canvas 250 -200
xt wait-change "$GW" "$WORK/shot.xwd" 10 "$WORK/shot2.xwd" >/dev/null
[ "$(xt count "$WORK/shot2.xwd" 3 23 120 100 192 192 192)" -lt 50 ] || fail "a click outside did not close the popup"

STEP="Ctrl+Q quits"
keys ctrl+q
wait_exit 20
[ "$STATUS" = 0 ] || fail "the program exited with status $STATUS after Ctrl+Q"

# ================= run 2: the close box ends the program =================
STEP="close box"
RUN="$WORK/run2"
start_cone "$RUN"
GW=$(find_window "PLAKO Graphics" --onlyvisible) || fail "no visible 'PLAKO Graphics' window in the second run"
expect_rgb 300 5 192 192 192 20 "the second run shows no menu bar"
msg=$(xt close "$GW") || fail "$msg"
wait_exit 20
[ "$STATUS" = 0 ] || fail "the program exited with status $STATUS after its window was closed"

echo "desktop.sh: all checks passed"
exit 0
