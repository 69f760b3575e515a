# The password manager and its record dialog, from "Nástroje" → "Manažer hesel".
# Sourced by tools/screenshots.sh: $main is the main window, $work/program the program's
# folder (where "nuvex.pwd" lives), shot_window saves a window. The machine is new, so the
# manager starts with the first master password; the demo records are typed in as a user
# would type them.

pwd_demo_password=demo
pwd_wait_for() { # window title; prints the window's id once it is the active one
    local id title
    for _ in $(seq 1 40); do
        id=$(xdotool getactivewindow 2>/dev/null || true)
        title=$(xdotool getwindowname "$id" 2>/dev/null || true)
        if [ "$title" = "$1" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.25
    done
    echo "screenshots: the window \"$1\" did not appear" >&2
    return 1
}
pwd_add_record() { # name, user name, password, note
    xdotool key alt+p
    pwd_wait_for "Záznam" >/dev/null
    xdotool type --delay 20 "$1"
    xdotool key Tab
    xdotool type --delay 20 "$2"
    xdotool key Tab
    xdotool type --delay 20 "$3"
    xdotool key Tab
    if [ -n "$4" ]; then xdotool type --delay 20 "$4"; fi
    # From the note, Tab goes on to "OK".
    xdotool key Tab Return
    pwd_wait_for "Správce hesel" >/dev/null
}

pwd_passwords() {
    local manager record
    xdotool windowactivate --sync "$main" key alt+n
    sleep 0.5
    xdotool key m
    # First use: the notice, the new master password twice, the notice that it was saved,
    # then the prompt.
    pwd_wait_for "Informace..." >/dev/null || return 0
    xdotool key Return
    pwd_wait_for "Změna hesla" >/dev/null
    xdotool type --delay 20 "$pwd_demo_password"
    xdotool key Tab
    xdotool type --delay 20 "$pwd_demo_password"
    xdotool key Return
    pwd_wait_for "Informace..." >/dev/null
    xdotool key Return
    pwd_wait_for "Heslo pro přístup" >/dev/null
    xdotool type --delay 20 "$pwd_demo_password"
    xdotool key Return
    manager=$(pwd_wait_for "Správce hesel")

    pwd_add_record "E-mail Seznam.cz" "jana.novakova" "Kůň-7" ""
    pwd_add_record "Internetové bankovnictví" "12345678" "k1Ž9x!q" "Kód klienta je na smlouvě."
    pwd_add_record "Fórum o modemech" "jana" "modem56k" ""

    # The list kept the focus (a button pressed by its letter does not take it): select the
    # second row.
    xdotool key Home Down
    sleep 0.5
    shot_window password-manager "$manager"

    xdotool key alt+u
    record=$(pwd_wait_for "Záznam")
    sleep 0.3
    shot_window password-record "$record"
    xdotool key Escape
    pwd_wait_for "Správce hesel" >/dev/null
    # Closing saves the records into "nuvex.pwd" beside the program.
    xdotool key Escape
    sleep 0.5
}
pwd_passwords
