#pragma once

#include <QString>

/// A fresh, empty schema on the test server that VEMO_TEST_POSTGRES names
/// (scripts/with-postgres starts one), dropped with every connection to it
/// when this ends. Its address logs in as a role of the schema's name, whose
/// search path finds the schema, and tells its connections apart from other
/// tests'.
class ServerSchema
{
public:
    ServerSchema();
    ~ServerSchema();
    ServerSchema(const ServerSchema &) = delete;
    ServerSchema &operator=(const ServerSchema &) = delete;

    /// A postgresql:// address of the schema.
    QString address() const { return m_address; }
    /// Ends every connection to the schema, as a restart of the server would.
    void dropConnections();

private:
    QString m_name;
    QString m_address;
};
