#pragma once

#include "PeerProcess.h"
#include "TestEnv.h"

#include <fstream>

// A real tinyproxy on a free loopback port, with its own configuration in a temporary folder.
class CTinyProxy
{
public:
    bool Start()
    {
        m_port = CPeerProcess::FreePort();
        std::ofstream config(m_folder.Path() + "tinyproxy.conf");
        config << "Port " << m_port << "\n"
               << "Listen 127.0.0.1\n"
               << "Timeout 30\n"
               << "MaxClients 50\n"
               << "Allow 127.0.0.1\n"
               << "LogLevel Info\n"
               << "LogFile \"" << m_folder.Path() << "tinyproxy.log\"\n"
               << "PidFile \"" << m_folder.Path() << "tinyproxy.pid\"\n";
        config.close();
        return m_port > 0 && m_process.Start({"tinyproxy", "-d", "-c", m_folder.Path() + "tinyproxy.conf"})
            && CPeerProcess::WaitForPort(m_port, 5000);
    }
    int Port() const { return m_port; }

private:
    CTempDir m_folder;
    CPeerProcess m_process;
    int m_port = -1;
};
