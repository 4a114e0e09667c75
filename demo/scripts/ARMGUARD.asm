; Guardian: a gun tower with a gauss cannon and two lasers. Activated, the
; tower rises out of its bunker and the beacon blinks; the radar dish always
; turns.
piece base tower turret cannon flash1 llaser flash2 rlaser flash3 dish beacon
const BLINK 4

function Create
    hide flash1
    hide flash2
    hide flash3
    hide beacon
    push -655360        ; lowered into the bunker by 4 units
    move_now tower y
    push 0
    push 16384
    spin dish y
    return

function Showcase
    return

function Demo
    return

function Activate
    push 491520
    push 0
    move tower y
    start Blink 0
    return

function Blink
    push BLINK
    set_signal_mask
    shade_off beacon
again:
    show beacon
    push 400
    sleep
    hide beacon
    push 400
    sleep
    jump again

function Deactivate
    push BLINK
    signal
    hide beacon
    push 491520
    push -655360
    move tower y
    return

function AimPrimary
    local heading pitch
    push 24576
    push_local heading
    turn turret y
    push 16384
    push 0
    push_local pitch
    sub
    turn cannon x
    wait_turn turret y
    wait_turn cannon x
    push 1
    return

function FirePrimary
    show flash1
    push -491520
    move_now cannon z
    push 120
    sleep
    hide flash1
    push 245760
    push 0
    move cannon z
    return

function AimSecondary
    local heading pitch
    push 32768
    push 0
    push_local pitch
    sub
    turn llaser x
    wait_turn llaser x
    push 1
    return

function FireSecondary
    show flash2
    push 90
    sleep
    hide flash2
    return

function AimTertiary
    local heading pitch
    push 32768
    push 0
    push_local pitch
    sub
    turn rlaser x
    wait_turn rlaser x
    push 1
    return

function FireTertiary
    show flash3
    push 90
    sleep
    hide flash3
    return
