#pragma once

// The two web services of the Exchange tab, made up, on loopback: an
// exchange-lookup site (postcode to nearest exchange, exchange code to the
// exchange's postcode) and a directions service (driving distance between two
// postcodes), answering a few made-up postcodes of the unused "ZZ" area.

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>

class QTcpServer;
class QTcpSocket;

namespace quillon::sim {

struct SimExchange
{
    const char *postcode;         // a user's postcode, blanks removed
    const char *code;             // its nearest exchange
    const char *name;
    const char *exchangePostcode; // as the site prints it, with a blank
    const char *miles;            // driving distance between the two
};

// The postcodes the pages know.
const QList<SimExchange> &simExchanges();

struct SimWebReply
{
    int status{200};
    QByteArray body;
};

// The page for one request target ("/path?query"); pure.
SimWebReply simWebPage(const QByteArray &target);

class SimWebServer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SimWebServer)

public:
    explicit SimWebServer(QObject *parent = nullptr);
    ~SimWebServer() override;

    bool start(quint16 port = 0, const QHostAddress &addr = QHostAddress::LocalHost);
    quint16 port() const;
    QString errorString() const;
    // The request targets received, in order.
    const QList<QByteArray> &requests() const { return m_requests; }
    // The connections accepted so far.
    int connections() const { return m_connections; }

private:
    void acceptPending();
    void serve(QTcpSocket *socket);

    QTcpServer *m_server;
    QList<QByteArray> m_requests;
    int m_connections = 0;
};

} // namespace quillon::sim
