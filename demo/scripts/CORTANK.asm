; Bruiser: a tracked battle tank with one heavy cannon.
piece base hull wheel1 wheel2 wheel3 wheel4 turret sleeve barrel flash

function Create
    hide flash
    return

function Showcase
    return

function Demo
    return

function StartMoving
    push 40000
    push 98304
    spin wheel1 x
    push 40000
    push 98304
    spin wheel2 x
    push 40000
    push 98304
    spin wheel3 x
    push 40000
    push 98304
    spin wheel4 x
    return

function StopMoving
    push 60000
    stop_spin wheel1 x
    push 60000
    stop_spin wheel2 x
    push 60000
    stop_spin wheel3 x
    push 60000
    stop_spin wheel4 x
    return

function AimPrimary
    local heading pitch
    push 20000
    push_local heading
    turn turret y
    push 12000
    push 0
    push_local pitch
    sub
    turn sleeve x
    wait_turn turret y
    wait_turn sleeve x
    push 1
    return

function FirePrimary
    show flash
    push -491520        ; three units of recoil
    move_now barrel z
    push 150
    sleep
    hide flash
    push 327680
    push 0
    move barrel z
    return
