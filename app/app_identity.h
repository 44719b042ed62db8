#pragma once

// The program's identity, shared by the entry point and the About dialog.
namespace app_identity {
constexpr const char* organizationDomain = "vexalon.example";
constexpr const char* organizationName = "Vexalon";
constexpr const char* applicationName = "RX48P-Term";
constexpr const char* applicationVersion = "0.0.0.0";
constexpr const char* makerUrl = "https://vexalon.example/";
}  // namespace app_identity
