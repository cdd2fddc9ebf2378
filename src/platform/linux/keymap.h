// SDL keys to Windows virtual-key codes (internal to platform_linux).
//
// Letters and the top-row digits follow the keyboard layout (SDL's key code), like Windows' VK
// codes; every other key goes by its position (SDL's scan code). The keypad follows Num Lock as
// on Windows: digits 0x60-0x69 and VK_DECIMAL with Num Lock on, the navigation keys with it off.
// Both Shift keys give VK_SHIFT, both Ctrl keys VK_CONTROL, both Alt keys VK_MENU (as WM_KEYDOWN
// reports them). A key without a Windows code gives vk::kUnknown (0xFF).
#pragma once

#include <SDL_keyboard.h>

#include <cstdint>

namespace platform::keymap {

std::uint16_t VirtualKey(const SDL_Keysym& key);

// Shift bits (platform::ShiftBits) from SDL's modifier state and mouse-button mask.
unsigned ShiftState(std::uint16_t mod, std::uint32_t buttons);

}  // namespace platform::keymap
