; Crawler: a four-legged walker with a twin plasma cannon on top and a
; machine gun under its nose.
piece base body leg1 leg2 leg3 leg4 turret cannon flash1 mgun flash2
const WALK 2

function Create
    hide flash1
    hide flash2
    return

function Showcase
    return

function Demo
    return

function StartMoving
    start Walk 0
    return

function Walk
    push WALK
    set_signal_mask
step:
    push 24000
    push 3000
    turn leg1 y
    push 24000
    push 3000
    turn leg3 y
    push 24000
    push -3000
    turn leg2 y
    push 24000
    push -3000
    turn leg4 y
    push 40000
    push 32768
    move body y
    wait_turn leg1 y
    push 24000
    push -3000
    turn leg1 y
    push 24000
    push -3000
    turn leg3 y
    push 24000
    push 3000
    turn leg2 y
    push 24000
    push 3000
    turn leg4 y
    push 40000
    push 0
    move body y
    wait_turn leg1 y
    jump step

function StopMoving
    push WALK
    signal
    push 16000
    push 0
    turn leg1 y
    push 16000
    push 0
    turn leg2 y
    push 16000
    push 0
    turn leg3 y
    push 16000
    push 0
    turn leg4 y
    push 40000
    push 0
    move body y
    return

function AimPrimary
    local heading pitch
    push 24000
    push_local heading
    turn turret y
    push 16000
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
    push -327680
    move_now cannon z
    push 120
    sleep
    hide flash1
    push 327680
    push 0
    move cannon z
    return

function AimSecondary
    local heading pitch
    push 40000
    push_local heading
    push 2
    div                 ; the nose gun covers half the turret's arc
    turn mgun y
    wait_turn mgun y
    push 1
    return

function FireSecondary
    local shot
    push 3
    pop_local shot
burst:
    show flash2
    push 60
    sleep
    hide flash2
    push 60
    sleep
    push_local shot
    push 1
    sub
    pop_local shot
    push_local shot
    jump_if_zero done
    jump burst
done:
    return
