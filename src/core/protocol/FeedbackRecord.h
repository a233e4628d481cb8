#pragma once
// The configuration feedback record: an element's whole configuration in one datagram of
// up to 54 bytes (45 for an encoder, 54 for a decoder), sent in answer to the discovery
// request and to a configuration command.
//
// Every datagram is decoded on its own, starting from the values a freshly started
// program holds (texts empty, numbers 0).  A field the datagram does not carry takes its
// stated default (version 2.0, SFN 0, buffer 0; for a decoder attenuation 255 and buffer
// 1) or keeps that starting value; for the checked fields that means the check fails.  So
// a short record can never store values of another element's earlier record.

#include <QByteArrayView>
#include <QList>
#include <QPair>
#include <QString>
#include <QtGlobal>

#include <optional>

struct FeedbackRecord {
    QString UDP_Response_IP;
    QString UDP_Response_Mask;
    QString UDP_Response_GW;
    QString UDP_Response_Remote_IP;
    QString UDP_Response_Name;
    QString UDP_Response_MAC; // found by ARP after the checks, not carried by the record
    quint8 UDP_Response_Audio_Input = 0;
    quint8 UDP_Response_Audio_Type = 0;
    quint8 UDP_Response_TX_Type = 0;
    quint8 UDP_Response_Role = 0;
    qint32 UDP_Response_SN = 0;
    quint8 UDP_Response_Att = 0;
    quint8 UDP_Response_SFN = 0;
    quint8 UDP_Response_Buffer = 0;
    quint8 UDP_Response_Ver_Major = 0;
    quint8 UDP_Response_Ver_Minor = 0;
    quint8 UDP_Response_SilDet_Mode = 0;
    quint8 UDP_Response_SilDet_Level = 0;
    quint8 UDP_Response_SilDet_Time = 0;
    quint8 UDP_Response_Low_Latency = 0;

    static FeedbackRecord decode(QByteArrayView datagram);

    bool isDecoder() const { return UDP_Response_Role == 2; }
    // "multi" when the element transmits by multicast or is a decoder, else "remote".
    QString remoteKey() const;
    // Major "." minor, each without leading zeros.
    QString versionText() const;
};

// The first failing check, in the order the record is checked, as the two-line message
// (lines joined by a CR) shown with the critical icon; nothing when every check passes.
std::optional<QString> firstFeedbackFailure(const FeedbackRecord& record);

// The message when no MAC address could be obtained for the answering element.
QString elementMacFailureText();

// The keys and values a discovery answer stores in its element's section, in the order
// they are written.
QList<QPair<QString, QString>> discoveryEntries(const FeedbackRecord& record);
