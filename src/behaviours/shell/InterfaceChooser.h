#pragma once
// The choice of the local interface on which the NMS talks to the elements: the host's
// IPv4 addresses in cmbNMSIPAddr, the stored "NMS IP Address", and the management
// endpoint bound to the address in use.

#include <QObject>
#include <QString>
#include <QStringList>

class HostAddressTable;
class ManagementEndpoint;
class MessageBoxes;
class QComboBox;
class SettingsStore;

struct LocalAddressList {
    QStringList addresses; // dotted text, ascending
    int errorCode = 0;     // nonzero: the table could not be read
    QString errorText() const;
};

class InterfaceChooser : public QObject {
    Q_OBJECT
public:
    struct Context {
        QComboBox* cmbNMSIPAddr = nullptr;
        const HostAddressTable* hostAddresses = nullptr;
        SettingsStore* settings = nullptr;
        ManagementEndpoint* endpoint = nullptr;
        MessageBoxes* messages = nullptr;
        QString* strLocalNMSIPAddress = nullptr;
    };

    explicit InterfaceChooser(Context context, QObject* parent = nullptr);

    // All IPv4 addresses of the host, ascending, loopback included (no limit on their
    // number).
    static LocalAddressList GetLocalIPAddresses(const HostAddressTable& table);

    // Fills the list and selects the address in use (or the first one), which applies it.
    // Returns false when the address table could not be read (the caller reports it).
    bool LoadNMSInterfaces(LocalAddressList* failure = nullptr);

    // The operator picked item index (also run by LoadNMSInterfaces).
    void cmbNMSIPAddr_Click(int index);

private:
    void apply(int index, bool duringStartUp);

    Context ctx_;
};
