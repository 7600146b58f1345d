#!/usr/bin/env bash
# One user's session with the real program on a real X display (Xvfb) under a
# real window manager (openbox), driven from outside with xdotool: sign in by
# typing the password and pressing Enter, add a contact in the record window,
# find it by its pinyin initials, open it from the list, change and save it
# twice, delete it, close the program with the window manager's close. After
# each step the book is read with the stock sqlite3 shell, titles and focus
# with xdotool, and a screenshot is kept; Peizhi.ini is read as GBK at the end.
#
# Usage: end_to_end.sh <program folder> <screenshot folder>
set -uo pipefail

program_folder=${1:?usage: end_to_end.sh <program folder> <screenshot folder>}
screens=${2:?usage: end_to_end.sh <program folder> <screenshot folder>}

fail() {
    echo "END-TO-END FAILED: $*" >&2
    exit 1
}

for tool in Xvfb openbox xdotool xmodmap sqlite3 iconv import; do
    command -v "$tool" > /dev/null || fail "$tool is not installed (tools/packages.txt lists it)"
done
[ -x "$program_folder/varelo" ] || fail "no program in $program_folder (build first)"

work=$(mktemp -d)
started=()
stop_all() {
    # Newest first: the program, then the window manager, then the display.
    for ((i = ${#started[@]} - 1; i >= 0; i--)); do
        kill "${started[i]}" 2> /dev/null && wait "${started[i]}" 2> /dev/null
    done
    rm -rf "$work"
}
trap stop_all EXIT

mkdir -p "$screens"
rm -f "$screens"/*.png

# ---- the desktop ----
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$work/display" 2> "$work/xvfb.log" &
started+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start within 10 s: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -1 "$work/display")"
openbox > "$work/openbox.log" 2>&1 &
started+=($!)
for _ in $(seq 100); do xdotool search --name '.' > /dev/null 2>&1 && break; sleep 0.1; done

# ---- helpers ----
step=0
shot() {  # shot NAME: the whole screen after a step
    step=$((step + 1))
    sleep 0.3
    import -window root "$screens/$(printf '%02d' $step)-$1.png" || fail "no screenshot for $1"
}

# The program's visible top-level windows (Qt names their class after it).
program_windows() {
    xdotool search --onlyvisible --classname '^varelo$' 2> /dev/null
}

# wait_window TITLE: the id of the program's visible window with exactly this
# title (an empty TITLE: its widest untitled window); fails after 10 s.
wait_window() {
    local title=$1 id="" w widest=0
    for _ in $(seq 100); do
        for w in $(program_windows); do
            [ "$(xdotool getwindowname "$w" 2> /dev/null)" = "$title" ] || continue
            if [ -n "$title" ]; then
                id=$w
                break
            fi
            eval "$(xdotool getwindowgeometry --shell "$w")"
            [ "$WIDTH" -gt 300 ] && [ "$WIDTH" -gt "$widest" ] && { id=$w; widest=$WIDTH; }
        done
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    fail "window \"${title:-(untitled)}\" did not appear within 10 s"
}

wait_gone() {  # wait_gone ID WHAT
    for _ in $(seq 100); do
        program_windows | grep -qx "$1" || return 0
        sleep 0.1
    done
    fail "$2 did not close within 10 s"
}

expect_active() {  # expect_active ID WHAT
    local active=""
    for _ in $(seq 50); do
        active=$(xdotool getactivewindow 2> /dev/null)
        [ "$active" = "$1" ] && return 0
        sleep 0.1
    done
    fail "$2 is not the active window (active: \"$(xdotool getwindowname "$active" 2> /dev/null)\")"
}

click() {  # click WINDOW X Y: a left click at client coordinates
    xdotool mousemove --window "$1" "$2" "$3" click 1
    sleep 0.3
}

focus_box() {  # focus_box WINDOW X Y: into an edit box (clicked again: a busy machine may still be placing it)
    click "$1" "$2" "$3"
    click "$1" "$2" "$3"
}

type_into() {  # type_into WINDOW X Y TEXT: click into a box, empty it, type
    focus_box "$1" "$2" "$3"
    xdotool key --clearmodifiers ctrl+a BackSpace
    xdotool type --delay 40 "$4"
    sleep 0.2
}

book() {  # book SQL: the book read with the stock shell
    sqlite3 -batch -noheader "$folder/VRL3.mdb" "$1"
}

expect_book() {  # expect_book SQL EXPECTED WHAT
    local got
    got=$(book "$1")
    [ "$got" = "$2" ] || fail "$3: the book holds \"$got\", expected \"$2\""
}

answer_message() {  # answer_message TITLE: Enter on the message box
    local box
    box=$(wait_window "$1") || exit 1
    shot "message"
    xdotool windowactivate --sync "$box" 2> /dev/null
    xdotool key Return
    wait_gone "$box" "the message box \"$1\""
}

# xdotool types a character missing from the keyboard map by mapping it to a
# spare key just before pressing it, and a busy program may read the key
# before the new map. The contact's two Chinese characters get keys of their
# own before the program starts.
spare=($(xmodmap -pke | awk '$2 > 8 && NF == 3 {print $2}' | head -2))
[ ${#spare[@]} -eq 2 ] || fail "no spare keys in the keyboard map"
xmodmap -e "keycode ${spare[0]} = U5F20" -e "keycode ${spare[1]} = U4F1F"  # 张 伟

# ---- the program, in a copy of the program folder ----
folder="$work/program"
cp -r "$program_folder" "$folder"
rm -f "$folder/Peizhi.ini"
expect_book "select count(*) from 通讯录" "0" "the delivered book"
# Keys come from xdotool, not a keyboard: no input method context, which would
# send the keys it does not know to the box it saw last.
(cd "$folder" && exec env QT_QPA_PLATFORM=xcb QT_IM_MODULE=none ./varelo > "$work/varelo.log" 2>&1) &
varelo=$!
started+=($varelo)

# 1. Sign in: the password typed, then Enter.
login=$(wait_window "Varelo2013版") || exit 1
expect_active "$login" "the login window"
shot "login"
click "$login" 150 116  # 编辑框_密码
xdotool type --delay 40 "123456"
xdotool key Return
main=$(wait_window "VareloV3.0") || exit 1
wait_gone "$login" "the login window"
expect_active "$main" "the main window after sign-in"
shot "signed-in"

# 2. A new contact through the record window.
click "$main" 149 531  # 图形按钮_新建
record=$(wait_window "") || exit 1
[ -z "$(xdotool getwindowname "$record")" ] || fail "the record window has a title: \"$(xdotool getwindowname "$record")\""
type_into "$record" 285 44 "张伟"         # 编辑框_姓名
type_into "$record" 285 72 "13912345678"  # 编辑框_手机
type_into "$record" 80 236 "1980/1/6"     # 编辑框_生日, a typed form
shot "new-contact"
click "$record" 317 424  # 按钮_保存
answer_message "提示"
expect_book "select 姓名||'|'||手机||'|'||首字母||'|'||生日 from 通讯录" "张伟|13912345678|zw|1980-01-06 00:00:00" \
    "after adding the contact"

# 3. Found by its pinyin initials.
type_into "$main" 160 67 "zw"  # 编辑框_搜索
shot "search-initials"
expect_book "select count(*) from 通讯录 where 首字母 like '%zw%'" "1" "the search"

# 4. Opened from the list: the record window shows it, the list keeps the focus.
xdotool mousemove --window "$main" 60 86 click --repeat 2 --delay 80 1  # first row of 超级列表框1
sleep 0.5
record=$(wait_window "") || exit 1
expect_active "$main" "the main window after opening a row"
shot "opened-from-list"

# 5. Changed and saved twice.
type_into "$record" 285 98 "13800000001"  # 编辑框_手机备
click "$record" 317 424
answer_message "提示"
expect_book "select 手机备 from 通讯录" "13800000001" "after the first change"
shot "first-change"
type_into "$record" 270 125 "10086001"  # 编辑框_QQ
click "$record" 317 424
answer_message "提示"
expect_book "select 手机备||'|'||QQ||'|'||count(*) from 通讯录" "13800000001|10086001|1" "after the second change"
shot "second-change"

# 6. Deleted from the main window, after confirming.
xdotool mousemove --window "$main" 60 86 click 1
click "$main" 180 531  # 图形按钮_删除
answer_message "警告！"
expect_book "select count(*) from 通讯录" "0" "after the delete"
shot "deleted"

# 7. Closed with the window manager's close (Alt+F4 in openbox).
xdotool windowactivate --sync "$main" 2> /dev/null
expect_active "$main" "the main window before closing"
xdotool key alt+F4
for _ in $(seq 100); do kill -0 "$varelo" 2> /dev/null || break; sleep 0.1; done
kill -0 "$varelo" 2> /dev/null && fail "the program did not end within 10 s of closing the main window"
shot "closed"

[ -f "$folder/Peizhi.ini" ] || fail "no Peizhi.ini after closing"
settings=$(iconv -f GBK -t UTF-8 "$folder/Peizhi.ini") || fail "Peizhi.ini is not GBK text"
iconv -f UTF-8 -t UTF-8 "$folder/Peizhi.ini" > /dev/null 2>&1 && fail "Peizhi.ini is UTF-8, not GBK"
grep -q '^\[窗口位置\]' <<< "$settings" || fail "Peizhi.ini lacks [窗口位置]: $settings"
grep -q '^主窗口左边=[0-9-]' <<< "$settings" || fail "Peizhi.ini lacks 主窗口左边: $settings"
grep -q '^主窗口顶边=[0-9-]' <<< "$settings" || fail "Peizhi.ini lacks 主窗口顶边: $settings"

echo "end-to-end passed; screenshots in $screens"
