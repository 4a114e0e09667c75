; Strider: a two-legged walker with a pulse gun (left arm) and a rocket pod
; (right arm). Walking runs on its own thread, ended by a signal.
piece base pelvis torso larm lflash rarm rflash lleg lshin rleg rshin
const WALK 2

function Create
    hide lflash
    hide rflash
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
    push 30000
    push 5500
    turn lleg x
    push 30000
    push -5500
    turn rleg x
    push 30000
    push 0
    turn lshin x
    push 30000
    push -7000
    turn rshin x
    push 30000
    push 0
    turn torso z
    push 40000
    push 40000
    move pelvis y
    wait_turn lleg x
    push 30000
    push -5500
    turn lleg x
    push 30000
    push 5500
    turn rleg x
    push 30000
    push -7000
    turn lshin x
    push 30000
    push 0
    turn rshin x
    push 40000
    push 0
    move pelvis y
    wait_turn lleg x
    jump step

function StopMoving
    push WALK
    signal
    push 20000
    push 0
    turn lleg x
    push 20000
    push 0
    turn rleg x
    push 20000
    push 0
    turn lshin x
    push 20000
    push 0
    turn rshin x
    push 40000
    push 0
    move pelvis y
    return

function AimPrimary
    local heading pitch
    push 32768
    push_local heading
    turn torso y
    push 32768
    push 0
    push_local pitch
    sub
    turn larm x
    wait_turn torso y
    wait_turn larm x
    push 1
    return

function FirePrimary
    show lflash
    push -163840
    move_now larm z
    push 80
    sleep
    hide lflash
    push 491520
    push 0
    move larm z
    return

function AimSecondary
    local heading pitch
    push 32768
    push 0
    push_local pitch
    sub
    push 8192           ; the pod points a little higher than the gun
    sub
    turn rarm x
    wait_turn rarm x
    push 1
    return

function FireSecondary
    show rflash
    push -327680
    move_now rarm z
    push 150
    sleep
    hide rflash
    push 327680
    push 0
    move rarm z
    return
