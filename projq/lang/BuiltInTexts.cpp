#include "BuiltInTexts.h"

namespace {

// clang-format off
constexpr BuiltInText kBuiltInTexts[] = {
    {"lang_Main_Title", "X7", "X7"}, // 1
    {"lang_Main_AppTitle", "X7", "X7"}, // 2
    {"lang_Menu_File", "文件", "File"}, // 3
    {"lang_Menu_Pswd", "用户名密码设置", "User config"}, // 4
    {"lang_Menu_ExpDev", "导出设备列表", "Export Devices"}, // 5
    {"lang_Menu_Quit", "退出", "Quit"}, // 6
    {"lang_Menu_Lang", "Language", "Language"}, // 7
    {"lang_Menu_Cn", "简体中文", "简体中文"}, // 8
    {"lang_Menu_En", "English", "English"}, // 9
    {"lang_Menu_Diy", "DiyLang", "DiyLang"}, // 10
    {"lang_Menu_Help", "帮助", "Help"}, // 11
    {"lang_Menu_About", "关于...", "About..."}, // 12
    {"lang_Menu_Hint", "实时帮助", "Real-time Help"}, // 13
    {"lang_Menu_Version", "检查更新", "Latest version"}, // 14
    {"lang_Menu_WorkOrder", "提交问题", "Work Order"}, // 15
    {"lang_Menu_DownUrl", "https://example.com/x7/zh/download", "https://example.com/x7/en/download"}, // 16
    {"lang_Lv_DevIP", "设备IP", "Device IP"}, // 17
    {"lang_Lv_DevName", "设备名称", "Device Name"}, // 18
    {"lang_Lv_MAC", "MAC地址", "MAC"}, // 19
    {"lang_Lv_Version", "版本", "Version"}, // 20
    {"lang_lblQNum", "请选择设备型号", "Select Model Type"}, // 21
    {"lang_lbl_SelectCom", "请选择串口", "Select serial port"}, // 22
    {"lang_NoCom", "没有串口", "No serial port"}, // 23
    {"lang_mni_CopeAllMac", "复制所有MAC", "Cope All Mac"}, // 24
    {"lang_mni_CopyTheMac", "复制选中MAC", "Copy The Mac"}, // 25
    {"lang_mni_FirmwareUp", "固件升级", "Firmware upgrade"}, // 26
    {"lang_mni_OpenWeb", "打开网页", "OpenWeb"}, // 27
    {"lang_mni_Reset", "恢复出厂设置", "Reset"}, // 28
    {"lang_mni_Restart", "重启设备", "Restart"}, // 29
    {"lang_btn_Search", "搜索设备", "Search Device"}, // 30
    {"lang_btn_ComSet", "保存参数", "Save Config"}, // 31
    {"lang_btn_ComRead", "读取参数", "Read Config"}, // 32
    {"lang_rztbsht_Net", "通过网络操作", "Operate Via LAN"}, // 33
    {"lang_rztbsht_Com", "通过串口操作", "Operate Via COM"}, // 34
    {"lang_rztbsht_Log", "操作日志", "Operation Log"}, // 35
    {"lang_rztbsht_Hex", "数据流", "Hex Streams"}, // 36
    {"lang_grp_Param", "常规功能", "General functions"}, // 37
    {"lang_grp_Special", "扩展功能", "Expand functions"}, // 38
    {"lang_grp_BaseSave", "基础设置 (不带*的一般保持默认)", "Base Param (which is without *,usually keep default)"}, // 39
    {"lang_grp_ComParam", "端口设置", "Port Param"}, // 40
    {"lang_InputBdTitle", "自定义波特率", "Diy Baud Rate"}, // 41
    {"lang_PlsInputBd", "请输入波特率：", "Please Input your Baud Rate :"}, // 42
    {"lang_BaudRate_Custom", "自定义", "Custom"}, // 43
    {"lang_IsNull", "为空，请写入数据！", "is null, please write data!"}, // 44
    {"lang_IsNotNum", "不合法，请输入数字！", "not legitimate, please enter a number!"}, // 45
    {"lang_Lbl_UPNPPort", "UPNP端口", "UPNP Port"}, // 46
    {"lang_Lbl_HTTPPort", "HTTP服务端口", "HTTP Port"}, // 47
    {"lang_Lbl_DevID", "设备ID", "Device ID"}, // 48
    {"lang_Lbl_DevIDType", "设备ID类型", "Device ID Type"}, // 49
    {"lang_Lbl_UserName", "用户名", "User Name"}, // 50
    {"lang_Lbl_Password", "密码", "Password"}, // 51
    {"lang_Lbl_DevName", "设备名称", "Device Name"}, // 52
    {"lang_Lbl_MAC", "用户MAC地址", "User MAC"}, // 53
    {"lang_Lbl_IPType", "IP地址类型", "IP Type"}, // 54
    {"lang_Lbl_StaticIP", "模块静态IP", "ModuleStaticIP"}, // 55
    {"lang_Lbl_Gateway", "网关", "Gateway"}, // 56
    {"lang_Lbl_SubnetMask", "子网掩码", "SubnetMask"}, // 57
    {"lang_Lbl_Baudrate", "串口波特率", "Baudrate"}, // 58
    {"lang_Lbl_PDS", "校验/数据/停止", "Parity/Data/Stop"}, // 59
    {"lang_Lbl_FlowControl", "串口流控制", "FlowControl"}, // 60
    {"lang_Lbl_LocalPort", "本地端口", "Local Port"}, // 61
    {"lang_Lbl_RemotePort", "远程端口", "Remote Port"}, // 62
    {"lang_Lbl_WorkMode", "模块工作方式", "Module work mode"}, // 63
    {"lang_Lbl_TCPSvrCount", "TCP Server 连接数", "Tcp connect num"}, // 64
    {"lang_Lbl_TCPStyle", "TCP Server 样式", "TCP Server style"}, // 65
    {"lang_Lbl_ModbusTCP", "ModbusTCP", "ModbusTCP"}, // 66
    {"lang_Lbl_RemoteIP", "目标IP/域名", "RemoteIP"}, // 67
    {"lang_Lbl_TelnetTimeout", "网络重连时间", "Telnet Timeout"}, // 68
    {"lang_Lbl_PackTime", "串口打包时间", "PackTime"}, // 69
    {"lang_Lbl_PackLen", "串口打包长度", "PackLen"}, // 70
    {"lang_Chkbox_RFC22170", "同步波特率(类RFC2217)", "Synchronize baudrate(RFC2217 similar)"}, // 71
    {"lang_Lbl_InfoTimeOut", "秒     (<256, 0为不使用)", "s  (<256, 0 for no uses)"}, // 72
    {"lang_Lbl_InfoPackTime", "毫秒 (0~255)", "ms (0~255)"}, // 73
    {"lang_Lbl_InfoPackLen", "字节 (0~1023)", "byte (0~1023)"}, // 74
    {"lang_Cbb_DHCP", "DHCP/动态IP", "DHCP/Auto IP"}, // 75
    {"lang_Cbb_StaticIP", "静态IP", "Static IP"}, // 76
    {"lang_Cbb_Transparent", "透明传输", "Transparent transmission"}, // 77
    {"lang_Cbb_NoIDDiscard", "按ID发送-无ID则丢弃", "As ID(No ID discard)"}, // 78
    {"lang_Cbb_NoIDBroadcast", "按ID发送-无ID则群发", "As ID(No ID Broadcast)"}, // 79
    {"lang_lblDns", "DNS地址", "DNS Address"}, // 80
    {"lang_LabeledEditShortTime", "短连接时间", "Short Connection time"}, // 81
    {"lang_RzCheckBoxShortEnable", "开启短连接", "Short Connection"}, // 82
    {"lang_rzchckbxComSetEnable", "串口设置参数", "UART Set Parameter"}, // 83
    {"lang_LabeledEdit1", "超时重启时间(秒)", "Reset Timeout(s)"}, // 84
    {"lang_RzCheckBox2", "清除缓存数据", "Clear Buffer Data Before Connected"}, // 85
    {"lang_RzCheckBox1", "TCP Server-踢掉旧连接", "TCP Server-kick off old connection"}, // 86
    {"lang_rzchbUdpFrom", "UDP数据来源判断", "UDP data source judgment"}, // 87
    {"lang_chkMulticast", "组播", "Multicast"}, // 88
    {"lang_lblGetPost", "Httpd 选项", "Httpd Chose"}, // 89
    {"lang_RzCheckBox3", "移除Httpd包头", "Remove Httpd Head"}, // 90
    {"lang_RzLabel1", "心跳包使能", "Heartbeat Packet Type"}, // 91
    {"lang_lblHeartTm", "心跳时间(s)", "Heartbeat Time(s)"}, // 92
    {"lang_lblHeartPackType", "心跳包类型", "Heartbeat Type"}, // 93
    {"lang_lblHeartDt", "自定义心跳包", "Heartbeat Packet"}, // 94
    {"lang_RzGroupBoxHeart", "心跳包", "Heartbeat"}, // 95
    {"lang_rzgrpbxRegHeart", "注册包", "Register"}, // 96
    {"lang_RzLabel2", "注册包类型", "Register Packet Type"}, // 97
    {"lang_lblDid", "设备编号", "DeviceId"}, // 98
    {"lang_lblCompass", "通讯密码", "Communication Code"}, // 99
    {"lang_lblRegSnd", "注册包位置", "Registered Direction"}, // 100
    {"lang_lblRegTp", "自定义注册包", "User Register Packet"}, // 101
    {"lang_cbbRegType_1", "数据携带", "Data With"}, // 102
    {"lang_cbbRegType_0", "连接发送", "Connect With"}, // 103
    {"lang_cbbRegType_2", "连接与携带", "Connect And Data With"}, // 104
    {"lang_RzComboBox1_0", "心跳包关闭", "None"}, // 105
    {"lang_RzComboBox1_1", "串口心跳包", "Uart Heartbeat "}, // 106
    {"lang_RzComboBox1_2", "网络心跳包", "Net Heartbeat"}, // 107
    {"lang_cbbHeartPackType_0", "MAC心跳包", "MAC As Heart"}, // 108
    {"lang_cbbHeartPackType_1", "自定义心跳包", "USER Heart"}, // 109
    {"lang_RzComboBox2_0", "注册包关闭", "None"}, // 110
    {"lang_RzComboBox2_1", "MAC注册包", "MAC As Register"}, // 111
    {"lang_RzComboBox2_2", "自定义注册包", "USER Register"}, // 112
    {"lang_RzComboBox2_3", "启用WEXO云", "Enable WEXO Cloud"}, // 113
    {"lang_lblModbusEn", "Modbus使能", "Modbus Type"}, // 114
    {"lang_cbbModbusType_0", "Modbus关闭", "None"}, // 115
    {"lang_cbbModbusType_1", "Modbus TCP/RTU转换", "Modbus TCP/RTU"}, // 116
    {"lang_cbbModbusType_2", "ModbusRTU轮询", "ModbusRTU poll"}, // 117
    {"lang_lblReportProto", "上报协议", "Report Protocol"}, // 118
    {"lang_cbbReporproto_1", "透传", "Transparent"}, // 119
    {"lang_lblModbusTimeout", "Modbus轮询超时", "Poll Timeout"}, // 120
    {"lang_lblModbusInterval", "Modbus轮询间隔", "Poll Interval"}, // 121
    {"lang_lblModbusException", "Modbus异常响应", "Exception Response"}, // 122
    {"lang_cbbModbusException_0", "关闭", "Close"}, // 123
    {"lang_cbbModbusException_1", "开启", "Open"}, // 124
    {"lang_rzchckbxmodbuspool", "ModbusTCP轮询", "ModbusTCP poll"}, // 125
    {"lang_lblhearttime", "轮询时间(ms)", "Poll Timeout(ms)"}, // 126
    {"lang_lblModbusEnable1", "Modbus使能", "Modbus Type"}, // 127
    {"lang_cmbModbusEnable1_0", "Modbus关闭", "None"}, // 128
    {"lang_cmbModbusEnable1_1", "Modbus TCP/RTU转换", "Modbus TCP/RTU"}, // 129
    {"lang_cmbModbusEnable1_2", "Modbus多主机轮询", "Modbus Multi-Master Poll"}, // 130
    {"lang_lblModbusTimeout1", "Modbus轮询超时", "Poll Timeout"}, // 131
    {"lang_lblModbusInterval1", "Modbus轮询间隔", "Poll Interval"}, // 132
    {"lang_lblModbusException1", "Modbus异常响应", "Exception Response"}, // 133
    {"lang_cmbModbusException1_0", "关闭", "Close"}, // 134
    {"lang_cmbModbusException1_1", "开启", "Open"}, // 135
    {"lang_lbl_ModuleIP", "本模块IP地址", "Module IP"}, // 136
    {"lang_lbl_DeIP", "连接目标IP", "Destination IP"}, // 137
    {"lang_chk_ConnSendId", "建立连接后发送ID号", "Send device ID when connected"}, // 138
    {"lang_chk_DataWithId", "发送数据时携带ID号", "Send data with device ID"}, // 139
    {"lang_H_btn_Search", "搜索局域网内的设备,需要将CFG引脚悬空", "Search device in LAN, please leave CFG pin free"}, // 140
    {"lang_H_btn_ComRead", "通过串口读取设备配置,需要将CFG引脚接地", "Read device param via COM, please connect CFG to GND"}, // 141
    {"lang_H_lv_Dev", "点击搜到的设备可读取参数，右键点击设备列表显示更多功能", "Click device can read the parameters, right-click Device list show more"}, // 142
    {"lang_lbl_H_LocationURLPort", " UPNP端口，一般用不着 ", " LocationURLPort \r\n In general ，it's useless "}, // 143
    {"lang_lbl_H_HTTPServerPort", " 网页端口 ", " Webpage Port "}, // 144
    {"lang_lbl_H_Id", " 设备ID必须与设备ID类型配合使用 ", " Device ID must be used with Device ID Type "}, // 145
    {"lang_lbl_H_IdType", " 设备ID类型必须与设备ID配合使用 ", " Device ID Type must be used with Device ID "}, // 146
    {"lang_lbl_H_username", " 登录模块网页的用户名，最多6个字节 ", " User name for the module's web page, at most 6 bytes "}, // 147
    {"lang_lbl_H_password", " 登录模块网页的密码，最多6个字节 ", " Password for the module's web page, at most 6 bytes "}, // 148
    {"lang_lbl_H_ModName", " 设备名称，可修改 ", " Device Name ,it's revisable "}, // 149
    {"lang_lbl_H_UserMAC", " MAC地址，可修改 ", " MAC address ,it's revisable "}, // 150
    {"lang_lbl_H_AddrType", " 静态IP：使用下面填写的地址；DHCP：由路由器自动分配 ", " Static IP uses the address below; DHCP gets one from the router "}, // 151
    {"lang_lbl_H_StaticIP", " 模块的IP地址，在网内不能重复 ", " The module's IP address; it must be unique on the network "}, // 152
    {"lang_lbl_H_GatewayIP", " 网关：通常是路由器的IP地址，如192.168.1.1 ", " Gateway, usually the router's IP address, such as 192.168.1.1 "}, // 153
    {"lang_lbl_H_SubnetMask", " 子网掩码：通常是255.255.255.0 ", " Subnet mask, the default is 255.255.255.0 "}, // 154
    {"lang_lbl_H_BaudRate", " 串口波特率，须与所接设备一致，常用9600或115200 ", " Serial baud rate; must match the attached device, usually 9600 or 115200 "}, // 155
    {"lang_lbl_H_PDS", " 校验/数据/停止", " Parity bits / data bits / stop bits  "}, // 156
    {"lang_lbl_H_FlowControl", " 串口流控制：一般选无，RS485线路选485 ", " Flow control: usually none; choose RS485 for an RS485 line "}, // 157
    {"lang_lbl_H_LocalPort", " 模块工作于UDP或TCPServer模式时将监听此端口 ", " When work at UDP mod or TCP Server mode, module will listen this port. "}, // 158
    {"lang_lbl_H_RemotePort", " 服务器上的应用程序监听的端口号 ", " The port be listen at server software. "}, // 159
    {"lang_lbl_H_WorkMode", " 模块工作方式，须与对端软件一致：TCP Server、TCP Client或UDP ", " Work mode, matching the software at the other end: TCP server, TCP client or UDP "}, // 160
    {"lang_lbl_H_TCPSvrCount", " 模块做TCP Server时可同时接受的连接数 ", " How many connections the module accepts at once as a TCP server "}, // 161
    {"lang_lbl_H_TCPStyle", " 一般选择透明传输 ", " Generally , please select transparent transmission "}, // 162
    {"lang_lbl_H_ModbusTCP", " 请选择none，除非使用了Modbus TCP协议 ", "  , Please select 'none' , unless Modbus TCP is used "}, // 163
    {"lang_lbl_H_RemoteIP", " 服务器的IP或者你要连接的计算机的IP ", " RemoteIP is the Server Ip or the PC ip which you want to link. "}, // 164
    {"lang_lbl_H_UARTTime", " 串口空闲这么久(毫秒)后把收到的数据打包发出，0~255 ", " Serial data is sent after the line has been idle this long (ms), 0~255 "}, // 165
    {"lang_lbl_H_UARTLength", " 串口收满这么多字节即打包发出，0~1023 ", " Serial data is sent once this many bytes have arrived, 0~1023 "}, // 166
    {"lang_chk_H_RFC2217", " 类RFC2217：允许网络端修改模块的串口参数，一般勾选 ", " RFC2217-like: lets the network side change the serial settings; usually on "}, // 167
    {"lang_Hint_ModuleWork", "模块工作方式选择：///UDP server 是指不验证来源IP地址，收到UDP数据包后将目标IP改为数据来源IP，类似TCP server的功能。", "module work mode: ///UDP server is like TCP server,when receive a UDP packet,change target IP to sorce IP of the received UDP packet,Does not verify the source IP."}, // 168
    {"lang_Hint_ModuleIP", "本模块IP地址可在指定网段内任意分配，但网内不允许重复。", "Module IP can fill any ip in LAN, ///just remeber do not repeat."}, // 169
    {"lang_Hint_Mask", "子网掩码：通常是255.255.255.0", "Subnet mask, the default is 255.255.255.0"}, // 170
    {"lang_Hint_Gateway", "网关：通常是路由器的IP地址，如192.168.1.1", "Gateway, usually the router's IP address, such as 192.168.1.1"}, // 171
    {"lang_Hint_BaudRate", "串口波特率，须与所接设备一致，常用9600或115200", "Serial baud rate; must match the attached device, usually 9600 or 115200"}, // 172
    {"lang_Hint_PDS", "校验位 / 数据位 / 停止位", "Parity bits / Data bits / Stop bits"}, // 173
    {"lang_Hint_ModulePort", "模块工作于UDP或TCP Server模式时将监听此端口", "When work at UDP mod or TCP Server mode,/// module will listen this port."}, // 174
    {"lang_Hint_DeIP", "模块做TCP Client或UDP时连接的目标IP，一般是服务器或电脑的IP", "The IP the module connects to as TCP client or UDP, usually a server or PC"}, // 175
    {"lang_Hint_DePort", "服务器上的应用程序监听的端口号", "The port be listen at server software."}, // 176
    {"lang_Hint_NetDev", "点击搜到的设备可读取参数，右键点击设备列表显示更多功能", "Click device can read the parameters, right-click Device list show more"}, // 177
    {"lang_Hint_ID", "设备的ID，十进制表示，范围0~65535", "Device ID in decimal, from 0 to 65535."}, // 178
    {"lang_Hint_RS485", "开启485功能，默认勾选。不会对232通信造成影响", "Use 485"}, // 179
    {"lang_Hint_RS422", "开启422功能", "Use 422"}, // 180
    {"lang_Hint_Reset", "连续30次连接失败后模块自动重启", "The module restarts after 30 failed connection attempts"}, // 181
    {"lang_Hint_Link", "开启后，模块的LINK引脚指示连接是否建立", "When on, the module's LINK pin shows whether a connection is up"}, // 182
    {"lang_Hint_Index", "模块做TCP server时，使用index来区分多个tcp连接", "TCP Server index,4.12 or above support this function"}, // 183
    {"lang_Hint_RFC2217", "类RFC2217功能，在网络端动态修改模块的串口工作参数，默认勾选", "RFC2217 change baudrate in socket,4.13 support this function"}, // 184
    {"lang_Hint_ComF5", "点击可刷新显示本机所有串口", "Click to refresh and show all serial port in the machine"}, // 185
    {"lang_Hint_HexCopy", "复制数据流", "Copy Hex"}, // 186
    {"lang_About_Title", "关于", "About"}, // 187
    {"lang_About_Version", "版本：", "Version:"}, // 188
    {"lang_About_OK", "确 认", "OK"}, // 189
    {"lang_About_SoftName", "名称：X7", "Name:  X7"}, // 190
    {"lang_About_Description", "说明：本程序由X7系列模块的制造商设计，用于查找和配置模块。", "Instruction:  Designed by the maker of the X7 series modules to find and configure them."}, // 191
    {"lang_About_Contact", "联系我们", " "}, // 192
    {"lang_About_Website", "https://example.com/x7/zh/", "https://example.com/x7/en/"}, // 193
    {"lang_About_Tel", " ", " "}, // 194
    {"lang_About_Email", " ", " "}, // 195
    {"lang_Log_Title", "用户名密码设置", "User config"}, // 196
    {"lang_Log_OK", "确定", "OK"}, // 197
    {"lang_Log_Cancel", "取消", "Cancel"}, // 198
    {"lang_Upgrade_Title", "固件升级", "Firmware Upgrade"}, // 199
    {"lang_Upgrade_grpClnt", " 目标选择 ", "Select Client"}, // 200
    {"lang_Upgrade_grpFileName", " 固件选择 ", "Select .bin file"}, // 201
    {"lang_Upgrade_btnProgram", "升 级", "Program"}, // 202
    {"lang_Upgrade_btnExit", "退 出", "Exit"}, // 203
    {"lang_Upgrade_lblClientIP", "目标IP地址：", "Client IP Address:"}, // 204
    {"lang_Upgrade_lblClientMAC", "目标MAC地址：", "Client MAC Address:"}, // 205
    {"lang_ts_OK", "完成", " OK "}, // 206
    {"lang_ts_Send", "发送", "send"}, // 207
    {"lang_ts_Read", "读取", "Read"}, // 208
    {"lang_Hint_DevNum", " 在线设备数：", " On-line Device NUM:"}, // 209
    {"lang_Hint_ACK", " 正确执行。", " ACK."}, // 210
    {"lang_Hint_CheckErr", " 校验错误,正确的校验值为: ", " Check Error: it should be: "}, // 211
    {"lang_Hint_ReceiveOther", " 接收未知数据,长度为: ", " Receive unknown,length is: "}, // 212
    {"lang_Hint_PswdErr", " 用户名密码错误！请重新输入。", " UsrName or Password Error!"}, // 213
    {"lang_Hint_OtherErr", " 其他错误。", " Other Error."}, // 214
    {"lang_Hint_OverTime", " 接收超时！", " Receive over time."}, // 215
    {"lang_Hint_Sending", "数据已发送", " Data has been sent"}, // 216
    {"lang_Hint_BeenRead", " 数据读取完毕。", " Data has been read."}, // 217
    {"lang_Hint_Searching", " 搜索在线设备...", " Search online Device..."}, // 218
    {"lang_Hint_UDPPortChange", " 搜索端口：", " Search Port:"}, // 219
    {"lang_Hint_UDPPortInUse", " 端口被占用！", " Port In Use!"}, // 220
    {"lang_Hint_NoTarget", " 请在搜索列表中选择模块。", " Please select the module in the search list."}, // 221
    {"lang_Hint_UpSearching", " 搜索可升级设备...", " Searching device..."}, // 222
    {"lang_Hint_UpReady", " 已搜索到设备，发送升级请求...", " Find Device,Ready to upgrade..."}, // 223
    {"lang_Hint_UpProgress", " 升级进度...", " Upgrade progress..."}, // 224
    {"lang_Hint_UpSuccess", " 升级已完成，请恢复出厂默认。", " Upgrade successful.please restore factory default."}, // 225
    {"lang_Hint_UpNoClient", " 未选择升级目标。", " Please Select Client first."}, // 226
    {"lang_Hint_UpNoFileName", " 未选择升级文件。", " Please Select .bin file first."}, // 227
    {"lang_Hint_Upfailed", " 固件升级失败，请联系厂家！", " Upgrade failed!"}, // 228
    {"lang_Hint_UpTimeOut", " 升级超时！", " Upgrade time out!"}, // 229
    {"lang_Hint_BinNotMatch", " 固件与硬件不匹配！", " Firmware does not match with hardware!"}, // 230
    {"lang_Hint_UpPleaseUpgrade", "本程序支持2002或更高版本，请先升级：设备->固件升级", "This program supports version 2002 or higher, please upgrade first:Device->Firmware upgrade"}, // 231
    {"lang_Hint_UpNoSamNetwork", "请先设置模块与计算机在同一网段，否则无法升级。", "Please set the module and the computer on the same network segment, otherwise unable to upgrade."}, // 232
    {"lang_Hint_VerIncompatible", "本程序仅支持X7系列", "This program is only used for X7 Series"}, // 233
    {"lang_ts_CfgFree", "CFG引脚需悬空", "please leave CFG pin free"}, // 234
    {"lang_ts_CfgGnd", "CFG引脚需接地", "please connect CFG to GND"}, // 235
    {"lang_ComIsNo", "串口不存在或被占用", "Serial is Occupied"}, // 236
    {"lang_ComIsOpen", "串口已打开", "Serial is Open"}, // 237
    {"lang_ComIsClose", "串口已关闭", "Serial is Close"}, // 238
    {"lang_Ts_ComSendFailure", "串口发送失败，请重试", "Serial Send Failure，please try again"}, // 239
    {"lang_DataHeadOrChkErr", "包头或校验错误", "Packet Header error or check sum is not correct"}, // 240
    {"lang_Ts_ComSetOk", "设置成功", "setup success"}, // 241
    {"lang_Upgrade_Hint", "注意：请确保已关闭防火墙和杀毒软件，再进行升级!", "Notes: Please disable firewall and antivirus software before \r\n           upgrade firmware!"}, // 242
    {"lang_Upgrade_lblLocalIP", "本地IP地址:", "Local IP Address:"}, // 243
    {"lang_btn_DataDebug", "数据调试", "DataDebug"}, // 244
    {"lang_DataDebug_Title", "网络数据调试", "Network data debugging"}, // 245
    {"lang_DataDebug_lblProtocol", "协议选择:", "Protocol:"}, // 246
    {"lang_DataDebug_btnConnet", "连接", "Connect"}, // 247
    {"lang_DataDebug_disconnect", "断开", "Disconnect"}, // 248
    {"lang_DataDebug_btnStart", "启动", "Start"}, // 249
    {"lang_DataDebug_chkChooseAll", "全选", "Choose All"}, // 250
    {"lang_DataDebug_btnClearAll", "清除全部数据", "Clear All"}, // 251
    {"lang_DataDebug_btnImport", "导入文件", "Import Files"}, // 252
    {"lang_DataDebug_btnExport", "导出文件", "Export Files"}, // 253
    {"lang_DataDebug_lblDelay", "延迟(ms)", "Delay(ms)"}, // 254
    {"lang_DataDebug_lblCycleInternal", "循环间隔:", "Cycle internal:"}, // 255
    {"lang_DataDebug_btnCycleSend", "循环发送", "Cycle send"}, // 256
    {"lang_DataDebug_btnStopSend", "停止发送", "Stop send"}, // 257
    {"lang_DataDebug_btnExplanation", "右键自定义名称", "Right custom name"}, // 258
    {"lang_DataDebug_btnStop", "停止", "Stop"}, // 259
    {"lang_DataDebug_lblRemote", "目标IP和端口:", "Remote IP, port:"}, // 260
    {"lang_Hint_DataDebug_UDPStart", "UDP已启动！", "UDP has started!"}, // 261
    {"lang_Hint_DataDebug_UDPStop", "UDP已停止！", "UDP has stopped!"}, // 262
    {"lang_Hint_DataDebug_ServiceStart", "服务已启动，等待连接...", "Service has started, waiting for connection ..."}, // 263
    {"lang_Hint_DataDebug_ServiceStop", "服务器已停止。", "The server is stopped."}, // 264
    {"lang_Hint_DataDebug_ClientConnect", "已经监听到客户端 ", "Client has been monitored "}, // 265
    {"lang_Hint_DataDebug_ClientDisconnect", "服务器断开与客户端连接。", "The server is disconnected from the client."}, // 266
    {"lang_Hint_DataDebug_ClientError", "客户端的连接发生错误！", "An error occurred in the connection of the client!"}, // 267
    {"lang_Hint_DataDebug_ServerConnect", "已经连接到 ", "Already connected to "}, // 268
    {"lang_Hint_DataDebug_ServerDisconnect", "已经断开连接 ", "Has disconnected from "}, // 269
    {"lang_Hint_DataDebug_ServerError", "与服务器端的连接发生错误！", "An error occurred in the connection with the server!"}, // 270
    {"lang_Hint_DataDebug_IPPort", "请输入IP和端口号!", "Please enter IP and port!"}, // 271
    {"lang_Hint_DataDebug_FileNotExist", "该文件不存在,请重新选择！", "The file does not exist, please choose again!"}, // 272
    {"lang_Hint_DataDebug_NotConn", "请先创建连接！", "Please create a connection first."}, // 273
    {"lang_FrameCmd_btnSend", "发送", "Send"}, // 274
    {"lang_FrameCmd_btnExplanation", "右键自定义名称", "Right custom name"}, // 275
    {"lang_Hint_FrameCmd_PopupTitle", "请输入指令名称", "Please enter the instruction name"}, // 276
    {"lang_Hint_FrameCmd_PopupText", "指令名称为:", "The instruction name is:"}, // 277
    {"lang_DeviceId", "请输入20位设备编号！", "Please enter a 20-digit Device ID."}, // 278
    {"lang_CommCode", "请输入8位通讯密码！", "Please enter the 8-digit communication Code."}, // 279
};
// clang-format on

static_assert(std::size(kBuiltInTexts) == 279);

} // namespace

std::span<const BuiltInText> builtInTexts()
{
    return kBuiltInTexts;
}

namespace {

// clang-format off
constexpr BuiltInText kCommissioningTexts[] = {
    {"lang_Lv_Flags", "提示", "Flags"},
    {"lang_Flag_DuplicateIp", "IP与 %1 相同", "Same IP as %1"},
    {"lang_Flag_OutsideSubnet", "IP不在发现它的主机地址 %1/%2 的网段内：配置仍可进行（广播），数据连接无法建立", "IP outside the network %1/%2 of the host address that found it: configuration still works (broadcast), data connections will not"},
    {"lang_Flag_DuplicateMac", "同一MAC在两个网卡上应答，也在 %1 上", "Duplicate MAC on two interfaces: also answers on %1"},
    {"lang_Status_FlagCount", "%1 台有提示", "%1 flagged"},
    {"lang_mni_BatchApply", "将设置应用到所选设备…", "Apply settings to selected…"},
    {"lang_mni_SaveTemplate", "另存为模板…", "Save as template…"},
    {"lang_Batch_Title", "批量应用设置", "Apply settings to selected modules"},
    {"lang_Batch_Mixed", "请只选择同一型号的设备（全部Q2或全部Q3）。", "Select modules of one model only (all Q2 or all Q3)."},
    {"lang_Batch_Unsupported", "所选设备中有不支持的型号。", "The selection holds a module that is not supported."},
    {"lang_Batch_NoTemplate", "请先读取一台设备（点击它），或加载模板文件。", "Read a module (click it) or load a template file first."},
    {"lang_Batch_Fields", "要设置的字段", "Fields to set"},
    {"lang_Batch_FromModule", "设备 %1 的参数", "parameters of %1"},
    {"lang_Batch_LoadTemplate", "加载模板…", "Load template…"},
    {"lang_Batch_TemplateFailed", "无法读取模板：", "Cannot read the template: "},
    {"lang_Batch_IpFrom", "IP地址依次分配，起始于", "IP addresses upward from"},
    {"lang_Batch_BadIp", "起始IP地址无效，或不够分配给所选设备。", "The start address is not valid, or the addresses run out before the modules do."},
    {"lang_Batch_NoFields", "请至少选择一个要设置的字段。", "Pick at least one field to set."},
    {"lang_Batch_Review", "预览", "Review"},
    {"lang_Batch_Apply", "应用", "Apply"},
    {"lang_Batch_Back", "返回", "Back"},
    {"lang_Batch_Cancel", "当前设备完成后停止", "Stop after this module"},
    {"lang_Batch_Close", "关闭", "Close"},
    {"lang_Batch_Export", "导出CSV…", "Export CSV…"},
    {"lang_Batch_ColField", "字段", "Field"},
    {"lang_Batch_ColOld", "原值", "Old"},
    {"lang_Batch_ColNew", "新值", "New"},
    {"lang_Batch_ColNewIp", "新IP", "New IP"},
    {"lang_Batch_ColResult", "结果", "Result"},
    {"lang_Batch_Reading", "正在读取 %1/%2…", "Reading %1 of %2…"},
    {"lang_Batch_Applying", "正在写入 %1/%2…", "Writing %1 of %2…"},
    {"lang_Batch_Done", "完成：%ok 台成功，%failed 台失败，%silent 台无应答", "Done: %ok ok, %failed failed, %silent no answer"},
    {"lang_Batch_Pending", "等待", "Waiting"},
    {"lang_Batch_Running", "正在写入…", "Writing…"},
    {"lang_Batch_Ok", "成功", "OK"},
    {"lang_Batch_FailedFields", "回读不符：", "Read back differs: "},
    {"lang_Batch_NoAnswer", "无应答", "No answer"},
    {"lang_Batch_Refused", "未写入：", "Not written: "},
    {"lang_Batch_Cancelled", "已取消，未改动", "Cancelled, untouched"},
    {"lang_Batch_Busy", "另一项与模块通讯的操作正在进行，请稍后再试。", "Another operation is talking to the modules; try again when it has ended."},
};
// clang-format on

} // namespace

std::span<const BuiltInText> commissioningTexts()
{
    return kCommissioningTexts;
}
