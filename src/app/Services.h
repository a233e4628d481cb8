#pragma once
// What the main window is given from outside: the platform seams and the run's facts.

#include <QString>

class ArpLookup;
class DesktopNotifier;
class HostAddressTable;
class IcmpEcho;
class InstanceLock;
class MessageBoxes;
class ProgramEnd;
class SettingsStore;
class WindowLayoutStore;

struct Services {
    MessageBoxes* messages = nullptr;
    ProgramEnd* programEnd = nullptr;
    SettingsStore* settings = nullptr;
    InstanceLock* instanceLock = nullptr;
    HostAddressTable* hostAddresses = nullptr;
    ArpLookup* arp = nullptr; // nullptr: the kernel's neighbour table
    IcmpEcho* icmp = nullptr; // the ping's ICMP echo; nullptr: the system's
    DesktopNotifier* notifier = nullptr; // nullptr: the desktop's notification service
    WindowLayoutStore* windowLayout = nullptr; // nullptr: the window is not remembered
    QString eventLogPath;                // the fleet check's event log file; empty: none
    QString historyPath;                 // the configuration history; empty: none
    QString iniPath;      // full path of nms.ini
    QString argumentText; // the whole command-line argument text
    // The running instance's local socket, which a second instance asks through; "" for none.
    QString instanceChannel;
};
