#pragma once
// The workstation certificate, which the login family makes and other families send too.
#include <string>

namespace vz {

class clsDatabaseRequest;

// The certificate of the connection's realm, login and location: the first line of
// AppPath/Logins/<realm>/<login>/<location ID>.cfg, the 12-digit moment it was made; the file is
// made on first use. Empty, with the error reported, when it cannot be read or made (a realm or
// login that cannot name one folder, a file that cannot be written: CertificateProblem says why).
std::string Certificate(clsDatabaseRequest& request);
// The certificate file's path; empty, with the error reported, when the realm or login cannot
// name a folder.
std::string CertificateFile(const clsDatabaseRequest& request);

}  // namespace vz
