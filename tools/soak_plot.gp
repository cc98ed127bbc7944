# The soak's census as curves: GDI objects by type, windows, and memory,
# against the passes (two a second while the clock ticks, so the top axis
# reads in days). Call with the file names set:
#   gnuplot -e "csv='build/soak.csv'; png='build/soak.png'" tools/soak_plot.gp
set datafile separator ','
set terminal pngcairo size 900,1000 font 'Liberation Sans,10'
set output png

header = system("head -n 1 '" . csv . "'")
has_heap = strstrt(header, 'heap_kib') > 0
has_cache = strstrt(header, 'cached_dc') > 0
passes_per_day = 2 * 86400

# The last half of the run, where every curve must be flat.
stats csv using 1 every ::1 nooutput
half = STATS_max / 2
set arrow 1 from half, graph 0 to half, graph 1 nohead dashtype 3 linecolor 'gray40'

set multiplot layout 3,1 title sprintf('Soak census, %d passes (dotted line: half way)', STATS_max)
set lmargin at screen 0.09
set rmargin at screen 0.70
set grid
set key outside right top
set xlabel 'passes'
set format x '%.0s%c'
set link x2 via x / passes_per_day inverse x * passes_per_day
set x2tics
set format x2 '%.2f d'

set title 'GDI objects by type'
set ylabel 'objects'
set yrange [0:*]
plot csv using 'pass':'gdi' with linespoints pt 7 ps 0.3 title 'all', \
     '' using 'pass':'dc' with lines title 'DC', \
     '' using 'pass':'region' with lines title 'region', \
     '' using 'pass':'bitmap' with lines dt 2 title 'bitmap', \
     '' using 'pass':'font' with lines title 'font', \
     '' using 'pass':'brush' with lines title 'brush', \
     '' using 'pass':'pen' with lines title 'pen', \
     '' using 'pass':'other' with lines title 'other', \
     '' using 'pass':(has_cache ? column('cached_dc') : NaN) with lines dt 3 lw 2 \
        title (has_cache ? "Wine's cached DCs" : '')

set title 'Windows of the clock thread'
set ylabel 'windows'
set yrange [0:*]
set ytics 1
plot csv using 'pass':'windows' with linespoints pt 7 ps 0.3 title 'windows'

set title 'Memory'
set ylabel 'private KiB'
set yrange [*:*]
set ytics auto nomirror
if (has_heap) {
    # Its own scale on the right: a few hundred KiB beside thousands.
    set y2label 'Windows heaps KiB'
    set y2range [0:*]
    set y2tics
    plot csv using 'pass':'private_kib' with linespoints pt 7 ps 0.3 title 'private (resident anonymous)', \
         '' using 'pass':'heap_kib' axes x1y2 with linespoints pt 7 ps 0.3 title 'in use on the Windows heaps (right)'
} else {
    plot csv using 'pass':'private_kib' with linespoints pt 7 ps 0.3 title 'private (resident anonymous)'
}
unset multiplot
