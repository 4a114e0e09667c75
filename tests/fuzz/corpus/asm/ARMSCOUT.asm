; Sprinter: a light four-wheeled scout with one laser turret.
piece base body wheel1 wheel2 wheel3 wheel4 turret gun flash

function Create
    hide flash
    return

function Showcase
    return

function Demo
    return

function StartMoving
    push 60000          ; acceleration, angle units per second per second
    push 131072         ; speed: two turns a second
    spin wheel1 x
    push 60000
    push 131072
    spin wheel2 x
    push 60000
    push 131072
    spin wheel3 x
    push 60000
    push 131072
    spin wheel4 x
    return

function StopMoving
    push 90000
    stop_spin wheel1 x
    push 90000
    stop_spin wheel2 x
    push 90000
    stop_spin wheel3 x
    push 90000
    stop_spin wheel4 x
    return

function AimPrimary
    local heading pitch
    push 49152
    push_local heading
    turn turret y
    push 32768
    push 0
    push_local pitch
    sub
    turn gun x
    wait_turn turret y
    wait_turn gun x
    push 1
    return

function FirePrimary
    show flash
    push -245760        ; the barrel kicks back 1.5 units
    move_now gun z
    push 100
    sleep
    hide flash
    push 327680
    push 0
    move gun z
    return
