#pragma once
// The names the service manager and the event log know this service by.

// Installed name, dispatcher entry name and event-log source in one.
inline constexpr const char* kServiceName = "TermbridgeService";
inline constexpr const char* kServiceDisplayName = "Termbridge Service";
