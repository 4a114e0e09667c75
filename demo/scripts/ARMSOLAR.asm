; Solar Collector: four panels fold open when activated; the emitter spins
; and the lamp lights up.
piece base core panel1 panel2 panel3 panel4 emitter lamp
static open

function Create
    hide lamp
    push 16384
    turn_now panel1 x
    push -16384
    turn_now panel2 z
    push -16384
    turn_now panel3 x
    push 16384
    turn_now panel4 z
    return

function Showcase
    return

function Demo
    return

function Activate
    push 1
    pop_static open
    push 16384
    push 0
    turn panel1 x
    push 16384
    push 0
    turn panel2 z
    push 16384
    push 0
    turn panel3 x
    push 16384
    push 0
    turn panel4 z
    wait_turn panel1 x
    show lamp
    shade_off lamp
    push 20000
    push 40000
    spin emitter y
    return

function Deactivate
    push 0
    pop_static open
    push 30000
    stop_spin emitter y
    hide lamp
    shade_on lamp
    push 16384
    push 16384
    turn panel1 x
    push 16384
    push -16384
    turn panel2 z
    push 16384
    push -16384
    turn panel3 x
    push 16384
    push 16384
    turn panel4 z
    return
