#include "ServiceNames.h"

#include <cstring>

#include <netdb.h>
#include <netinet/in.h>

const std::string& ServiceNames::nameOf(std::uint16_t port) {
    if (!m_loaded)
        load();
    return m_names[m_index[port]];
}

void ServiceNames::load() {
    m_loaded = true;
    m_index.assign(65536, 0);
    ::setservent(0);
    while (const servent* service = ::getservent()) {
        if (!service->s_proto || std::strcmp(service->s_proto, "tcp") != 0 || !service->s_name)
            continue;
        std::uint16_t& index = m_index[ntohs(static_cast<std::uint16_t>(service->s_port))];
        // The first entry of a port is its name, as getservbyport answers; an empty name
        // is none.
        if (index == 0 && *service->s_name && m_names.size() < 65536) {
            index = static_cast<std::uint16_t>(m_names.size());
            m_names.emplace_back(service->s_name);
        }
    }
    ::endservent();
}
