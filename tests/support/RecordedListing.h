#pragma once

// What the system's netstat -o printed on a Windows 10 machine (names), and netstat -a -n -o
// (numbers), with its CRLF line ends, its blank heading lines and its blank UDP state column.
// Addresses and names are changed to documentation ones.
inline constexpr char RecordedNamesListing[] =
    "\r\n"
    "Active Connections\r\n"
    "\r\n"
    "  Proto  Local Address          Foreign Address        State           PID\r\n"
    "  TCP    127.0.0.1:49670        DESKTOP-4F2K9QJ:49671  ESTABLISHED     5124\r\n"
    "  TCP    127.0.0.1:49671        DESKTOP-4F2K9QJ:49670  ESTABLISHED     5124\r\n"
    "  TCP    192.0.2.23:49702       files:https            ESTABLISHED     7312\r\n"
    "  TCP    192.0.2.23:49715       203.0.113.9:http       TIME_WAIT       0\r\n"
    "  TCP    [::1]:49680            DESKTOP-4F2K9QJ:49681  ESTABLISHED     4420\r\n"
    "  TCP    [2001:db8::1c]:49722   mail:imaps             CLOSE_WAIT      9012\r\n";

inline constexpr char RecordedNumbersListing[] =
    "\r\n"
    "Active Connections\r\n"
    "\r\n"
    "  Proto  Local Address          Foreign Address        State           PID\r\n"
    "  TCP    0.0.0.0:135            0.0.0.0:0              LISTENING       996\r\n"
    "  TCP    192.0.2.23:49702       198.51.100.7:443       ESTABLISHED     7312\r\n"
    "  TCP    [::]:445               [::]:0                 LISTENING       4\r\n"
    "  TCP    [fe80::5d1c:2b7a:9e4f:1a2b%12]:139  [fe80::1%12]:52133  ESTABLISHED     4\r\n"
    "  UDP    0.0.0.0:5353           *:*                                    2760\r\n"
    "  UDP    [::]:500               *:*                                    4012\r\n";
