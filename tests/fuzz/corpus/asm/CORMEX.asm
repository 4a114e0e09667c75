; Metal Extractor: activated, the drill spins up and the warning lamps
; flash; deactivated, it runs down.
piece base drill lamp1 lamp2
const FLASHING 4

function Create
    hide lamp1
    hide lamp2
    shade_off lamp1
    shade_off lamp2
    return

function Showcase
    return

function Demo
    return

function Activate
    push 16384          ; spins up over about four seconds
    push 65536
    spin drill y
    start Lamps 0
    return

function Lamps
    push FLASHING
    set_signal_mask
again:
    show lamp1
    hide lamp2
    push 300
    sleep
    hide lamp1
    show lamp2
    push 300
    sleep
    jump again

function Deactivate
    push FLASHING
    signal
    hide lamp1
    hide lamp2
    push 24000
    stop_spin drill y
    return
