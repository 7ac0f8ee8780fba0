<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>BoardArmView</name>
    <message>
        <source>底座旋转</source>
        <translation>Base turn</translation>
    </message>
    <message>
        <source>肩部</source>
        <translation>Shoulder</translation>
    </message>
    <message>
        <source>肘部</source>
        <translation>Elbow</translation>
    </message>
    <message>
        <source>腕部</source>
        <translation>Wrist</translation>
    </message>
    <message>
        <source>腕部旋转</source>
        <translation>Wrist turn</translation>
    </message>
    <message>
        <source>夹爪</source>
        <translation>Gripper</translation>
    </message>
    <message>
        <source>侧视</source>
        <translation>Side</translation>
    </message>
    <message>
        <source>俯视</source>
        <translation>Above</translation>
    </message>
</context>
<context>
    <name>BoardSession</name>
    <message>
        <source>运行目录“%1”不是当前用户独有的（须属于当前用户、权限 700），舵机板不在其中登记；请把 XDG_RUNTIME_DIR 设为这样的目录。</source>
        <translation>The runtime folder &quot;%1&quot; is not the current user&apos;s alone (it must belong to the current user, with mode 700), so the board does not register there; set XDG_RUNTIME_DIR to such a folder.</translation>
    </message>
    <message>
        <source>轨迹文件“%1”写入失败：%2。轨迹到此为止，此前的记录完整。</source>
        <translation>Could not write the trace &quot;%1&quot;: %2. The trace ends here; what it holds before is whole.</translation>
    </message>
</context>
<context>
    <name>BoardWindow</name>
    <message>
        <source>未知通道</source>
        <translation>unknown channel</translation>
    </message>
    <message>
        <source>脉宽超出500–2500</source>
        <translation>pulse outside 500–2500</translation>
    </message>
    <message>
        <source>缺少P脉宽</source>
        <translation>no P pulse</translation>
    </message>
    <message>
        <source>S后无速度（按不限速）</source>
        <translation>no speed after S (moves without a limit)</translation>
    </message>
    <message>
        <source>T后无时间</source>
        <translation>no time after T</translation>
    </message>
    <message>
        <source>无法识别的字符</source>
        <translation>characters it does not know</translation>
    </message>
    <message>
        <source>行过长，已丢弃</source>
        <translation>line too long, dropped</translation>
    </message>
    <message>
        <source>含空字符</source>
        <translation>NUL byte</translation>
    </message>
    <message>
        <source>含非ASCII字节</source>
        <translation>bytes outside ASCII</translation>
    </message>
    <message>
        <source>虚拟舵机板 %1</source>
        <translation>Virtual servo board %1</translation>
    </message>
    <message>
        <source>端口：%1（虚拟舵机板）</source>
        <translation>Port %1 (virtual board)</translation>
    </message>
    <message>
        <source>收到的指令（到达时间，红色为有问题的行）</source>
        <translation>Commands received (arrival time; problems in red)</translation>
    </message>
    <message>
        <source>通道 0–31（蓝色：当前位置，红线：目标）</source>
        <translation>Channels 0–31 (blue: where it is, red line: target)</translation>
    </message>
    <message>
        <source>字节 %1&#x3000;指令 %2&#x3000;有问题 %3</source>
        <translation>Bytes %1  Commands %2  Flagged %3</translation>
    </message>
    <message>
        <source>%1&#x3000;%2 波特，每字符 %3 位%4</source>
        <translation>%1  %2 baud, %3 bits a character%4</translation>
    </message>
    <message>
        <source>，按波特率读取</source>
        <translation>, paced</translation>
    </message>
    <message>
        <source>，不限速读取</source>
        <translation>, not paced</translation>
    </message>
    <message>
        <source>机械臂</source>
        <translation>Arm</translation>
    </message>
</context>
<context>
    <name>GaugeStrip</name>
    <message>
        <source>%1 · 通道 #%2</source>
        <translation>%1 · channel #%2</translation>
    </message>
</context>
</TS>
