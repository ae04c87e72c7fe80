# The figures of docs/physics.md from tools/wave_physics's CSV files, as
# scripts/plots.sh runs it:
#   gnuplot -e "csv='CSV_DIR'; out='OUTPUT_DIR'" tools/physics_plots.gp
set terminal pngcairo size 640,400 font ",10"
set datafile separator ","
set grid lc rgb "#dddddd"
set key top right box opaque
fast = csv."/%s-10.csv"
slow = csv."/%s-1.8.csv"
fastStyle = "lw 2 lc rgb '#1f5fa8'"
slowStyle = "lw 2 lc rgb '#d2691e'"

# The same moment at both rates: a front at the wave equation's speed has just
# reached row 24, one row short of the barrier.
set output out."/pulse.png"
set title "The pulse 8.8 simulated seconds after the start, as the front nears the barrier"
set xlabel "distance from the source row (world units)"
set ylabel "height (world units)"
set xrange [0:5.4]
set yrange [-0.3:1.1]
set arrow 1 from 5, graph 0 to 5, graph 1 nohead dt 2 lc rgb "black"
set label 1 "barrier" at 5, graph 0.05 right offset -0.5,0
plot sprintf(fast, "profile") skip 1 using 2:3 with lines @fastStyle title "10 steps/ms (fast machine)", \
     sprintf(slow, "profile") skip 1 using 2:3 with lines @slowStyle title "1.8 steps/ms (60 Hz vsync)"
unset arrow 1
unset label 1

set output out."/energy.png"
set title "Wave energy after the pulse, against its value when the source fell still"
set xlabel "steps after the pulse (millions)"
set ylabel "change in energy (%)"
set xrange [0:1]
set yrange [-0.2:0.5]
set style fill transparent solid 0.45 noborder
plot sprintf(slow, "energy") skip 1 using ($1/1e6):(100*$4):(100*$5) with filledcurves lc rgb "#d2691e" \
         title "1.8 steps/ms: 9.3 minutes of the demo", \
     sprintf(fast, "energy") skip 1 using ($1/1e6):(100*$4):(100*$5) with filledcurves lc rgb "#1f5fa8" \
         title "10 steps/ms: 1.7 minutes of the demo", \
     0 with lines lc rgb "black" notitle

set output out."/slit-angle.png"
set title "Peak height of the wave 2 units behind the slit, by direction"
set xlabel "direction, degrees from straight ahead"
set ylabel "peak height / peak height straight ahead"
set xrange [-90:90]
set yrange [0:1.15]
set xtics 30
set key bottom center width -8
plot 1 with lines dt 2 lw 1.5 lc rgb "black" title "even spreading (narrow slit in a wall)", \
     cos(x*pi/180) with lines dt 3 lw 1.5 lc rgb "black" title "cos(direction) (narrow slit, surface held flat)", \
     sprintf(fast, "angle") skip 1 using 1:3 with linespoints pt 7 ps 0.6 @fastStyle title "10 steps/ms", \
     sprintf(slow, "angle") skip 1 using 1:3 with linespoints pt 5 ps 0.6 @slowStyle title "1.8 steps/ms"
set xtics autofreq

# Points whose peak came too close to an echo from the grid's edges are left out.
stats sprintf(fast, "distance") skip 1 every ::3::3 using 3 nooutput
fastAt4 = STATS_max
stats sprintf(slow, "distance") skip 1 every ::3::3 using 3 nooutput
slowAt4 = STATS_max
set output out."/slit-distance.png"
set title "Peak height straight behind the slit, against distance"
set xlabel "distance behind the slit (world units)"
set ylabel "peak height (world units)"
set logscale xy
set xrange [0.18:5]
set yrange [0.03:3]
set xtics (0.2, 0.5, 1, 2, 5)
set ytics (0.05, 0.1, 0.2, 0.5, 1, 2)
set key top right
plot sprintf(slow, "distance") skip 1 using 2:($4 > 0 ? $3 : NaN) with linespoints pt 5 ps 0.6 @slowStyle title "1.8 steps/ms", \
     slowAt4*(x/0.8)**-0.5 with lines dt 2 lc rgb "#d2691e" title "1/sqrt(r) through its value at 0.8 units", \
     sprintf(fast, "distance") skip 1 using 2:($4 > 0 ? $3 : NaN) with linespoints pt 7 ps 0.6 @fastStyle title "10 steps/ms", \
     fastAt4*(x/0.8)**-0.5 with lines dt 2 lc rgb "#1f5fa8" title "1/sqrt(r) through its value at 0.8 units"
unset logscale xy
set xtics autofreq
set ytics autofreq

set output out."/pulse-length.png"
set title "Length of the pulse on the grid, against the machine's step rate"
set xlabel "simulation steps per millisecond of wall-clock time"
set ylabel "pulse length (cells, 0.2 units each)"
set xrange [0:21]
set yrange [0:55]
set key top left width 3
set label 2 "1.8: 60 Hz vsync" at 1.8, 4.6 offset 0.8,-1.2
set label 3 "10: Xvfb here" at 10, 25.8 offset 0.8,-1.2
plot csv."/length.csv" skip 1 using 1:3 with linespoints pt 7 ps 0.7 lw 2 lc rgb "#333333" title "pulse length", \
     25 with lines dt 2 lc rgb "#1f5fa8" title "source to barrier (25 cells)", \
     4 with lines dt 3 lc rgb "#d2691e" title "slit width (4 cells)"
