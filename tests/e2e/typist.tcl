# Another program the user types in: a text box that holds the keyboard focus
# and writes what it holds to the file named by its argument after every key.
#   wish typist.tcl OUTPUT
set output [lindex $argv 0]
wm title . typist
wm geometry . 240x120+20+560
text .text
pack .text -fill both -expand 1

proc save {} {
    global output
    set file [open $output.part w]
    puts -nonewline $file [.text get 1.0 end-1c]
    close $file
    file rename -force $output.part $output
}

bind .text <KeyRelease> save
tkwait visibility .text
focus -force .text
update
# An empty file says: on screen and focused.
save
