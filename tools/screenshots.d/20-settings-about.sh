# The settings dialog on both of its pages, and the About window.
# "&Ostatní" → "Na&stavení"
xdotool key alt+o
sleep 0.5
xdotool key s
sleep 1
setup=$(xdotool getactivewindow)
shot_window settings-behaviour "$setup"
# The other page: its tab stands on the right edge, above "Chování".
eval "$(xdotool getwindowgeometry --shell "$setup")"
xdotool key ctrl+Tab
sleep 0.5
shot_window settings-confirmation "$setup"
xdotool key Escape
sleep 0.5

# "&Ostatní" → "&O programu..."
xdotool windowactivate --sync "$main" key alt+o
sleep 0.5
xdotool key o
sleep 1
about=$(xdotool getactivewindow)
shot_window about "$about"
xdotool key Return
sleep 0.5
