# The statistics window ("Statistika" → "Časy a frekvence") in month mode, over a month
# of sessions written into this month's log beside the program.
# Sourced by tools/screenshots.sh: uses $main, $work and shot_window.

stats_log="$work/program/$(date +%Y)$(date +%-m).txt"
stats_today=$(date +%-d)
{
    printf '[SESSION]\r\n'
    names=("Internet" "Práce" "Internet" "Internet" "Práce" "Internet")
    for i in $(seq 0 13); do
        day=$((1 + i * (stats_today - 1) / 13))
        hour=$((8 + (i * 5) % 13))
        minute=$(((i * 17) % 60))
        length=$((12 + (i * 37) % 150))
        start_days=$(($(date -u -d "$(date +%Y-%m)-$(printf %02d "$day")" +%s) / 86400 + 25569))
        LC_ALL=C awk -v d="$start_days" -v h="$hour" -v m="$minute" -v l="$length" -v i="$i" -v n="${names[$((i % 6))]}" 'BEGIN {
            s = d + (h * 60 + m) / 1440; e = s + l / 1440
            a = sprintf("%.10f", s); b = sprintf("%.10f", e)
            sub(/\./, "?", a); sub(/\./, "?", b)
            printf "%s=%s,%d,%d,%s\r\n", a, b, (i % 3 == 0 ? 115200 : 53333), 150000 + i * 48611 % 2000000, n
        }'
    done
} > "$stats_log"

xdotool windowactivate --sync "$main" key alt+s
sleep 0.5
xdotool key f
stats=$(xdotool search --sync --name "^Statistika" | head -n 1)
xdotool windowactivate --sync "$stats"
sleep 0.5
# "&Měsíc": the whole month.
xdotool key alt+m
sleep 1
shot_window statistics "$stats"
xdotool key Escape
sleep 0.5
