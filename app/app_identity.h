#pragma once

// The program's identity, shared by the entry point and the About dialog. The Windows resource script
// repeats the name, version and notices; keep them in step.
namespace app_identity {
constexpr const char* organizationDomain = "vexalon.example";
constexpr const char* organizationName = "Vexalon";
constexpr const char* applicationName = "RX48P-Term";
constexpr const char* applicationVersion = "0.0.0.0";
constexpr const char* makerUrl = "https://www.vexalon.example/";
constexpr const char* rightsNotice = "Copyright (C) VEXALON. All rights reserved.";
constexpr const char* creditsLine = "Made with Qt by the VEXALON test engineering team.";

// Start-up between the application object and the main window: the plug-in path beside the
// executable, the identity, and outside Windows the window icon from the bundle.
void apply();
}  // namespace app_identity
