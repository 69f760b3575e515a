#pragma once

// The options file as an earlier start of this version left it, with the news
// acknowledged, so that no news window waits for a person; the window stays shown at
// start. Black-box tests write it as home/user.reg below their machine.

inline constexpr const char* kSeededOptions = "Windows Registry Editor Version 5.00\r\n\r\n"
                                              "[HKEY_CURRENT_USER\\Software\\Quorin Software\\Nuvex]\r\n"
                                              "\"Installed\"=dword:00000001\r\n"
                                              "\"ShowNews\"=dword:00000000\r\n"
                                              "\"AppHideAfterStart\"=dword:00000001\r\n"
                                              "\"LastWhatsNew\"=\"" NUVEX_VERSION "\"\r\n";
