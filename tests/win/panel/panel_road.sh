# panel_road.sh: the scene of a writer's road, shared by the end-to-end test and the panel
# benchmark: the recognition service on 127.0.0.1:80, TargetApp to type into and the panel with
# its trace. Source it after gui-lib.sh, and call its functions after gui_init.
#
#   road_port_open                  something listens on 127.0.0.1:80
#   road_start_service SERVICE      start the service; its log is $service_log
#   road_start_panel PANEL.exe      start TargetApp (log $log) and the panel (trace $trace, pid
#                                   $panel_pid); wait until the panel has placed itself; the
#                                   pad's screen corner in $pad_left $pad_top; then click the
#                                   target to the front, as a writer does first
#   cell_rects                      the ten candidate cells, L,T,R,B in the panel's client area

cell_rects=(219,32,262,67 261,32,304,67 219,67,262,102 261,67,304,102 219,103,262,138
    261,103,304,138 219,139,262,174 261,139,304,174 219,176,262,211 261,176,304,211)

road_port_open() {
    python3 -c 'import socket,sys; s=socket.socket(); sys.exit(0 if s.connect_ex(("127.0.0.1",80))==0 else 1)'
}

road_start_service() {
    service_log=$GUI_DIR/service.log
    "$1" --listen 127.0.0.1 --port 80 >"$service_log" 2>&1 </dev/null &
    GUI_PIDS+=("$!")
    gui_wait_log "$service_log" '^listening on 127\.0\.0\.1:80' ||
        gui_fail "the service did not start: $(cat "$service_log")"
}

road_start_panel() {
    local pad
    log=$GUI_DIR/target.log
    gui_start "$GUI_TARGET" "$log" --pos 200,150,640,360
    assert_log "$log" '^ready	' "the target starts"
    trace=$GUI_DIR/trace.txt
    export HANDWRITING_PANEL_TRACE="Z:${trace//\//\\}"
    gui_start "$1"
    panel_pid=$GUI_PID
    gui_wait_log "$trace" ' moved .*handles=16' || gui_fail "the panel did not start"
    gui_wait_window --class HandwritingPanelWindow || gui_fail "no panel window"
    pad=$(gui_line child rect=4,32,218,239) || gui_fail "no writing pad among the panel's children"
    IFS=, read -r pad_left pad_top _ _ <<<"$(gui_field "$pad" screen)"
    gui_focus_window HwTestTarget || gui_fail "the target does not become the foreground window"
}
