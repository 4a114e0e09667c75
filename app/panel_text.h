// What the statistics panel shows for a unit (or for none).
#pragma once

#include <cstdint>
#include <string>

struct ViewerUnit;

struct PanelTexts {
    std::string caption;      // 1028
    std::string description;  // 1008
    std::string speed;        // 1020
    std::string acceleration; // 1021
    std::string turnRate;     // 1023
    std::string energy;       // 1016
    std::string metal;        // 1017
    std::string time;         // 1018
    std::string weapons;      // 1019
    std::string activate = "Activate";  // 1014
    bool activateEnabled = false;
    std::string move = "Move";  // 1024
    bool moveEnabled = false;
    bool aimEnabled = false;   // 1011
    bool fireEnabled = false;  // 1012
    bool sliderVisible = false;
    int32_t slider = 0;  // 1029 position
};

// The slider position of a scale: 35 - trunc(scale × 20).
int32_t SliderPosition(double scale);
PanelTexts ComputePanelTexts(const ViewerUnit* unit);
