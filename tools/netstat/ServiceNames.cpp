#include "ServiceNames.h"

#include <cstring>

#include <netdb.h>
#include <netinet/in.h>

const std::string& ServiceNames::nameOf(std::uint16_t port) {
    if (!m_loaded)
        load();
    return m_names[port];
}

void ServiceNames::load() {
    m_loaded = true;
    m_names.assign(65536, std::string());
    ::setservent(0);
    while (const servent* service = ::getservent()) {
        if (!service->s_proto || std::strcmp(service->s_proto, "tcp") != 0 || !service->s_name)
            continue;
        std::string& name = m_names[ntohs(static_cast<std::uint16_t>(service->s_port))];
        if (name.empty()) // the first entry of a port is its name, as getservbyport answers
            name = service->s_name;
    }
    ::endservent();
}
