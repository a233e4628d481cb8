#include "InterfaceChooser.h"

#include "core/common/MessageBoxes.h"
#include "core/protocol/ManagementEndpoint.h"
#include "core/shell/HostAddressTable.h"
#include "core/shell/SettingsStore.h"

#include <QComboBox>
#include <QHostAddress>
#include <QSignalBlocker>

#include <algorithm>

QString LocalAddressList::errorText() const {
    return QStringLiteral("GetIpAddrTable failed with return value %1").arg(errorCode);
}

InterfaceChooser::InterfaceChooser(Context context, QObject* parent)
    : QObject(parent), ctx_(context) {
    connect(ctx_.cmbNMSIPAddr, &QComboBox::activated, this,
            &InterfaceChooser::cmbNMSIPAddr_Click);
}

LocalAddressList InterfaceChooser::GetLocalIPAddresses(const HostAddressTable& table) {
    LocalAddressList out;
    HostAddressResult r = table.read();
    if (r.errorCode != 0) {
        out.errorCode = r.errorCode;
        return out;
    }
    std::stable_sort(r.addresses.begin(), r.addresses.end());
    for (quint32 a : r.addresses)
        out.addresses.append(QHostAddress(a).toString());
    return out;
}

bool InterfaceChooser::LoadNMSInterfaces(LocalAddressList* failure) {
    const LocalAddressList list = GetLocalIPAddresses(*ctx_.hostAddresses);
    if (list.errorCode != 0) {
        if (failure != nullptr)
            *failure = list;
        return false;
    }
    int noted = 0;
    {
        // Filling the list must not count as choosing its first item.
        const QSignalBlocker block(ctx_.cmbNMSIPAddr);
        for (const QString& a : list.addresses) {
            ctx_.cmbNMSIPAddr->addItem(a);
            if (a == *ctx_.strLocalNMSIPAddress)
                noted = ctx_.cmbNMSIPAddr->count() - 1;
        }
        ctx_.cmbNMSIPAddr->setCurrentIndex(noted);
    }
    apply(noted, true);
    return true;
}

void InterfaceChooser::cmbNMSIPAddr_Click(int index) { apply(index, false); }

void InterfaceChooser::apply(int index, bool duringStartUp) {
    if (index < 0 || index >= ctx_.cmbNMSIPAddr->count())
        return; // a host without addresses: nothing to choose
    const QString chosen = ctx_.cmbNMSIPAddr->itemText(index);
    const QString stored =
        ctx_.settings->value(SettingKeys::NmsIpAddress, QStringLiteral("0.0.0.0"));
    if (chosen == stored)
        return;
    const QString previous = *ctx_.strLocalNMSIPAddress;
    if (ctx_.endpoint->rebind(chosen) || duringStartUp) {
        // (At start-up a failure is the start-up bind's to report.)
        *ctx_.strLocalNMSIPAddress = chosen;
        ctx_.settings->setValue(SettingKeys::NmsIpAddress, chosen);
        return;
    }
    // The port cannot be had on that address: back to the one in use before, bound again,
    // selected and stored, so neither the next send nor the next start fails on it.
    QString text = QStringLiteral("Unable to use UDP port 2976 on %1: %2\r")
                       .arg(chosen, ctx_.endpoint->errorString());
    {
        const QSignalBlocker block(ctx_.cmbNMSIPAddr);
        ctx_.cmbNMSIPAddr->setCurrentIndex(ctx_.cmbNMSIPAddr->findText(previous));
    }
    if (ctx_.endpoint->rebind(previous))
        text += QStringLiteral("The NMS goes on using %1.").arg(previous);
    else
        text += QStringLiteral("It cannot be used on %1 either: %2")
                    .arg(previous, ctx_.endpoint->errorString());
    ctx_.messages->error(text);
}
