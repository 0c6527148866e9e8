#pragma once

#include <QUrl>
#include <QWidget>

class QComboBox;
class QLabel;
class QSpinBox;
class QTreeWidget;

namespace mirello {

class PairedPhones;

// The phone remote's window: the QR code and the code in large digits for the board,
// where the server listens, and the phones paired today, each of which can be revoked.
class PhoneWindow final : public QWidget
{
    Q_OBJECT

public:
    PhoneWindow(const PairedPhones& phones, QWidget* parent);

    // The page's address with the pairing code; an empty one while the server is off.
    void showServer(const QUrl& page, const QString& code);
    void showPhones();

Q_SIGNALS:
    void placeChosen(const QString& address, quint16 port);
    void switchOffAsked();
    void revokeAsked(const QByteArray& tokenHash);

private:
    QWidget* createPlace();
    QWidget* createPhones();

    const PairedPhones& m_phones;
    QLabel* m_qrCode;
    QLabel* m_code;
    QLabel* m_address;
    QComboBox* m_network = nullptr;
    QSpinBox* m_port = nullptr;
    QTreeWidget* m_list = nullptr;
};

} // namespace mirello
