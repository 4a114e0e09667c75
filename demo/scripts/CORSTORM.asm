; Thunder: a six-wheeled launcher truck with a rail cannon and two missile
; pods; a fired missile is hidden until its pod reloads.
piece base chassis wheel1 wheel2 wheel3 wheel4 wheel5 wheel6 launcher cannon flash1 lpod lmissile flash2 rpod rmissile flash3

function Create
    hide flash1
    hide flash2
    hide flash3
    return

function Showcase
    return

function Demo
    return

function StartMoving
    call SpinWheels 0
    return

function SpinWheels
    push 50000
    push 110000
    spin wheel1 x
    push 50000
    push 110000
    spin wheel2 x
    push 50000
    push 110000
    spin wheel3 x
    push 50000
    push 110000
    spin wheel4 x
    push 50000
    push 110000
    spin wheel5 x
    push 50000
    push 110000
    spin wheel6 x
    return

function StopMoving
    push 70000
    stop_spin wheel1 x
    push 70000
    stop_spin wheel2 x
    push 70000
    stop_spin wheel3 x
    push 70000
    stop_spin wheel4 x
    push 70000
    stop_spin wheel5 x
    push 70000
    stop_spin wheel6 x
    return

function AimPrimary
    local heading pitch
    push 20000
    push_local heading
    turn launcher y
    push 12000
    push 0
    push_local pitch
    sub
    turn cannon x
    wait_turn launcher y
    wait_turn cannon x
    push 1
    return

function FirePrimary
    show flash1
    push -327680
    move_now cannon z
    push 100
    sleep
    hide flash1
    push 245760
    push 0
    move cannon z
    return

function AimSecondary
    local heading pitch
    push 16000
    push 0
    push_local pitch
    sub
    push 4000
    sub
    turn lpod x
    wait_turn lpod x
    push 1
    return

function FireSecondary
    show flash2
    hide lmissile
    push 100
    sleep
    hide flash2
    push 1500
    sleep
    show lmissile
    return

function AimTertiary
    local heading pitch
    push 16000
    push 0
    push_local pitch
    sub
    push 4000
    sub
    turn rpod x
    wait_turn rpod x
    push 1
    return

function FireTertiary
    show flash3
    hide rmissile
    push 100
    sleep
    hide flash3
    push 1500
    sleep
    show rmissile
    return
