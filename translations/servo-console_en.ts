<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>ArmLink</name>
    <message>
        <source>够不到那里：手臂的长度不够，或目标离肩部太近。</source>
        <translation>Out of reach: the arm is too short, or the place is too near the shoulder.</translation>
    </message>
    <message>
        <source>够不到那里：%1 需要 %2 µs，超出它的范围。</source>
        <translation>Out of reach: %1 would need %2 µs, outside its range.</translation>
    </message>
    <message>
        <source>最近能到的点：X %1、Y %2、Z %3 mm，俯仰 %4°。</source>
        <translation>The nearest point it reaches: X %1, Y %2, Z %3 mm, pitch %4°.</translation>
    </message>
</context>
<context>
    <name>ChannelPanel</name>
    <message>
        <source>板上通道 #%1</source>
        <translation>Board channel #%1</translation>
    </message>
    <message>
        <source>通道控制</source>
        <translation>Channels</translation>
    </message>
    <message>
        <source>框是空的</source>
        <translation>the box is empty</translation>
    </message>
    <message>
        <source>“%1”不是数字</source>
        <translation>“%1” is not a number</translation>
    </message>
    <message>
        <source>“%1”不在 %2 到 %3 之间</source>
        <translation>“%1” is not between %2 and %3</translation>
    </message>
    <message>
        <source>%1，没有发送；滑块仍在 %2，连接时发送的是 %2</source>
        <translation>%1; nothing was sent. The slider stays at %2, and %2 is what is sent on connecting</translation>
    </message>
</context>
<context>
    <name>ChannelSetupDialog</name>
    <message>
        <source>底座</source>
        <translation>Base</translation>
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
        <source>通道设置</source>
        <translation>Channel setup</translation>
    </message>
    <message>
        <source>脉宽单位 µs，范围 500 到 2500；最小、最大留空表示不限位。</source>
        <translation>Pulse widths in µs, 500 to 2500; leave min and max empty for no limits.</translation>
    </message>
    <message>
        <source>列</source>
        <translation>Column</translation>
    </message>
    <message>
        <source>板上通道</source>
        <translation>Board channel</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>最小</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>最大</source>
        <translation>Max</translation>
    </message>
    <message>
        <source>初始</source>
        <translation>Home</translation>
    </message>
    <message>
        <source>通道</source>
        <translation>Channel</translation>
    </message>
    <message>
        <source>0° 时的脉宽</source>
        <translation>Pulse at 0°</translation>
    </message>
    <message>
        <source>每度 µs（负数：反向）</source>
        <translation>µs per degree (negative: reversed)</translation>
    </message>
    <message>
        <source>底座高度</source>
        <translation>Base height</translation>
    </message>
    <message>
        <source>大臂</source>
        <translation>Upper arm</translation>
    </message>
    <message>
        <source>小臂</source>
        <translation>Forearm</translation>
    </message>
    <message>
        <source>手部</source>
        <translation>Hand</translation>
    </message>
    <message>
        <source>长度 mm</source>
        <translation>Length mm</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>应是 %1 到 %2 之间的整数</source>
        <translation>must be a whole number from %1 to %2</translation>
    </message>
    <message>
        <source>第 %1 列（板上通道 #%2）</source>
        <translation>Column %1 (board channel #%2)</translation>
    </message>
    <message>
        <source>%1的最小值“%2”%3。</source>
        <translation>%1: the min “%2” %3.</translation>
    </message>
    <message>
        <source>%1的最大值“%2”%3。</source>
        <translation>%1: the max “%2” %3.</translation>
    </message>
    <message>
        <source>%1的最大值小于最小值。</source>
        <translation>%1: the max is below the min.</translation>
    </message>
    <message>
        <source>%1的初始值“%2”应是 %3 到 %4 之间的整数。</source>
        <translation>%1: the home “%2” must be a whole number from %3 to %4.</translation>
    </message>
    <message>
        <source>%1的通道“%2”应是 0 到 31 之间的整数。</source>
        <translation>%1: the channel “%2” must be a whole number from 0 to 31.</translation>
    </message>
    <message>
        <source>%1和%2用了同一个通道 %3。</source>
        <translation>%1 and %2 use the same channel %3.</translation>
    </message>
    <message>
        <source>%1的 0° 脉宽“%2”%3。</source>
        <translation>%1: the pulse at 0° “%2” %3.</translation>
    </message>
    <message>
        <source>应在 500 到 2500 之间</source>
        <translation>must lie from 500 to 2500</translation>
    </message>
    <message>
        <source>无法保存 %1：%2
原来的文件没有改动。</source>
        <translation>Cannot save %1: %2
The old file is unchanged.</translation>
    </message>
    <message>
        <source>缓动</source>
        <translation>Easing</translation>
    </message>
    <message>
        <source>同序列</source>
        <translation>As the sequence</translation>
    </message>
    <message>
        <source>序列的缓动</source>
        <translation>Easing of the sequence</translation>
    </message>
    <message>
        <source>每步时间</source>
        <translation>Step time</translation>
    </message>
    <message>
        <source>%1的每度 µs“%2”应在 %3 到 %4 之间（负数时取其绝对值）。</source>
        <translation>%1: the µs per degree “%2” must lie from %3 to %4 (for a negative value, its magnitude).</translation>
    </message>
    <message>
        <source>长度“%1”应在 %2 到 %3 mm 之间。</source>
        <translation>The length “%1” must lie from %2 to %3 mm.</translation>
    </message>
</context>
<context>
    <name>ConnectControls</name>
    <message>
        <source>断开</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>连接</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>串口连接已中断（设备已拔出或不再响应），程序已回到未连接状态。</source>
        <translation>The serial connection was lost (the device was unplugged or stopped responding). The program is disconnected again.</translation>
    </message>
</context>
<context>
    <name>EditMenu</name>
    <message>
        <source>撤销</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>重做</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>复制行</source>
        <translation>Duplicate line</translation>
    </message>
    <message>
        <source>上移</source>
        <translation>Move up</translation>
    </message>
    <message>
        <source>下移</source>
        <translation>Move down</translation>
    </message>
    <message>
        <source>更早的步骤已丢弃</source>
        <translation>Earlier steps were dropped</translation>
    </message>
    <message>
        <source>正在撤销……</source>
        <translation>Undoing…</translation>
    </message>
    <message>
        <source>正在重做……</source>
        <translation>Redoing…</translation>
    </message>
</context>
<context>
    <name>ExportSketchAction</name>
    <message>
        <source>导出为 Arduino 程序…</source>
        <translation>Export as an Arduino program…</translation>
    </message>
    <message>
        <source>导出为 Arduino 程序</source>
        <translation>Export as an Arduino program</translation>
    </message>
    <message>
        <source>无法写入文件夹 %1：%2</source>
        <translation>Cannot write the folder %1: %2</translation>
    </message>
</context>
<context>
    <name>GamepadDialog</name>
    <message>
        <source>左摇杆左右</source>
        <translation>Left stick, left/right</translation>
    </message>
    <message>
        <source>左摇杆上下</source>
        <translation>Left stick, up/down</translation>
    </message>
    <message>
        <source>右摇杆左右</source>
        <translation>Right stick, left/right</translation>
    </message>
    <message>
        <source>右摇杆上下</source>
        <translation>Right stick, up/down</translation>
    </message>
    <message>
        <source>左扳机</source>
        <translation>Left trigger</translation>
    </message>
    <message>
        <source>右扳机</source>
        <translation>Right trigger</translation>
    </message>
    <message>
        <source>底座</source>
        <translation>Base</translation>
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
        <source>前后 (X)</source>
        <translation>Forward/back (X)</translation>
    </message>
    <message>
        <source>左右 (Y)</source>
        <translation>Left/right (Y)</translation>
    </message>
    <message>
        <source>上下 (Z)</source>
        <translation>Up/down (Z)</translation>
    </message>
    <message>
        <source>俯仰</source>
        <translation>Pitch</translation>
    </message>
    <message>
        <source>A 键</source>
        <translation>A button</translation>
    </message>
    <message>
        <source>B 键</source>
        <translation>B button</translation>
    </message>
    <message>
        <source>X 键</source>
        <translation>X button</translation>
    </message>
    <message>
        <source>Y 键</source>
        <translation>Y button</translation>
    </message>
    <message>
        <source>返回键</source>
        <translation>Back button</translation>
    </message>
    <message>
        <source>开始键</source>
        <translation>Start button</translation>
    </message>
    <message>
        <source>左摇杆按下</source>
        <translation>Left stick press</translation>
    </message>
    <message>
        <source>右摇杆按下</source>
        <translation>Right stick press</translation>
    </message>
    <message>
        <source>左肩键</source>
        <translation>Left shoulder</translation>
    </message>
    <message>
        <source>右肩键</source>
        <translation>Right shoulder</translation>
    </message>
    <message>
        <source>十字键上</source>
        <translation>D-pad up</translation>
    </message>
    <message>
        <source>十字键下</source>
        <translation>D-pad down</translation>
    </message>
    <message>
        <source>十字键左</source>
        <translation>D-pad left</translation>
    </message>
    <message>
        <source>十字键右</source>
        <translation>D-pad right</translation>
    </message>
    <message>
        <source>游戏手柄</source>
        <translation>Game pad</translation>
    </message>
    <message>
        <source>摇杆与扳机</source>
        <translation>Sticks and triggers</translation>
    </message>
    <message>
        <source>关节</source>
        <translation>Joint</translation>
    </message>
    <message>
        <source>切换到末端后</source>
        <translation>Switched to the tip</translation>
    </message>
    <message>
        <source>无</source>
        <translation>None</translation>
    </message>
    <message>
        <source>反向</source>
        <translation>Reversed</translation>
    </message>
    <message>
        <source>同关节</source>
        <translation>As the joint</translation>
    </message>
    <message>
        <source>按键</source>
        <translation>Buttons</translation>
    </message>
    <message>
        <source>记录一行姿态：</source>
        <translation>Record a pose line:</translation>
    </message>
    <message>
        <source>急停：</source>
        <translation>Emergency stop:</translation>
    </message>
    <message>
        <source>在关节与末端之间切换：</source>
        <translation>Switch between joints and tip:</translation>
    </message>
    <message>
        <source>灵敏度</source>
        <translation>Sensitivity</translation>
    </message>
    <message>
        <source> µs/秒</source>
        <translation> µs/s</translation>
    </message>
    <message>
        <source> 毫米/秒</source>
        <translation> mm/s</translation>
    </message>
    <message>
        <source> 度/秒</source>
        <translation> °/s</translation>
    </message>
    <message>
        <source>死区（满偏的百分比）：</source>
        <translation>Dead zone (share of full tilt):</translation>
    </message>
    <message>
        <source>满偏时关节的速度：</source>
        <translation>Joint speed at full tilt:</translation>
    </message>
    <message>
        <source>满偏时末端的速度：</source>
        <translation>Tip speed at full tilt:</translation>
    </message>
    <message>
        <source>满偏时俯仰的速度：</source>
        <translation>Pitch speed at full tilt:</translation>
    </message>
    <message>
        <source>记录、急停和切换要各用一个不同的按键。</source>
        <translation>Recording, the emergency stop and switching each need a button of their own.</translation>
    </message>
</context>
<context>
    <name>InputDialog</name>
    <message>
        <source>例如 Time1000  #5P1500S300</source>
        <translation>for example Time1000  #5P1500S300</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>LanguageMenu</name>
    <message>
        <source>语言 / Language</source>
        <translation>Language / 语言</translation>
    </message>
    <message>
        <source>中文</source>
        <translation>中文 (Chinese)</translation>
    </message>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>下次启动时界面将使用 English。</source>
        <translation>The interface will be in English from the next start.</translation>
    </message>
    <message>
        <source>下次启动时界面将使用中文。</source>
        <translation>The interface will be in Chinese (中文) from the next start.</translation>
    </message>
</context>
<context>
    <name>LineHighlighter</name>
    <message>
        <source>此行与录制的格式不同，播放时：
</source>
        <translation>This line differs from the recorded format. When played:
</translation>
    </message>
    <message>
        <source>第 %1 组 %2：%3 → %4</source>
        <translation>group %1, %2: %3 → %4</translation>
    </message>
    <message>
        <source>超出通道限位，发送时限位为：
</source>
        <translation>Beyond the channel limits; sent held as:
</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>操作</source>
        <translation>Operations</translation>
    </message>
    <message>
        <source>复位</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>修改</source>
        <translation>Modify</translation>
    </message>
    <message>
        <source>插入</source>
        <translation>Insert</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>速度调节</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>速度调节最多 %1 个字符，多出的输入没有被接受。</source>
        <translation>Speed takes at most %1 characters; the extra input was not accepted.</translation>
    </message>
    <message>
        <source>间隔时间</source>
        <translation>Interval</translation>
    </message>
    <message>
        <source>运行</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>指令库</source>
        <translation>Command library</translation>
    </message>
    <message>
        <source>手输指令</source>
        <translation>Manual command</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>文件(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>序列(&amp;Q)</source>
        <translation>Se&amp;quence</translation>
    </message>
    <message>
        <source>插入…</source>
        <translation>Insert…</translation>
    </message>
    <message>
        <source>播放(&amp;P)</source>
        <translation>&amp;Playback</translation>
    </message>
    <message>
        <source>串口</source>
        <translation>Serial port</translation>
    </message>
    <message>
        <source>手输指令最多 %1 个字符（串口在当前设置下能排队等待发送的量），多出的输入没有被接受。</source>
        <translation>A manual command takes at most %1 characters (what the serial port can queue for sending at its current settings); the extra input was not accepted.</translation>
    </message>
    <message>
        <source>设置(&amp;S)</source>
        <translation>&amp;Settings</translation>
    </message>
    <message>
        <source>通道设置…</source>
        <translation>Channel setup…</translation>
    </message>
    <message>
        <source>编辑(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>载入姿态</source>
        <translation>Load pose</translation>
    </message>
    <message>
        <source>视图(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
</context>
<context>
    <name>MotionSettings</name>
    <message>
        <source>运动…</source>
        <translation>Motion…</translation>
    </message>
    <message>
        <source>运动</source>
        <translation>Motion</translation>
    </message>
    <message>
        <source> 毫秒</source>
        <translation> ms</translation>
    </message>
    <message>
        <source>不滑行</source>
        <translation>No glide</translation>
    </message>
    <message>
        <source>滑行到姿态的时间：</source>
        <translation>Time to glide into a pose:</translation>
    </message>
    <message>
        <source>录制时每隔这么久记下一次姿态</source>
        <translation>While recording, the pose is taken this often</translation>
    </message>
    <message>
        <source>录制的间隔：</source>
        <translation>Record interval:</translation>
    </message>
</context>
<context>
    <name>Notifier</name>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>端口已被占用</source>
        <translation>The port is in use</translation>
    </message>
    <message>
        <source>端口未打开</source>
        <translation>The port is not open</translation>
    </message>
</context>
<context>
    <name>PlaybackActions</name>
    <message>
        <source>运行</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>从选中行运行</source>
        <translation>Run from selected line</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>单步</source>
        <translation>Step</translation>
    </message>
    <message>
        <source>循环播放</source>
        <translation>Loop</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>回到初始姿态</source>
        <translation>Back to the home pose</translation>
    </message>
    <message>
        <source>播放速度</source>
        <translation>Playback speed</translation>
    </message>
    <message>
        <source>×%1</source>
        <translation>×%1</translation>
    </message>
    <message>
        <source>急停</source>
        <translation>Emergency stop</translation>
    </message>
    <message>
        <source>回到上次姿态</source>
        <translation>Back to the last pose sent</translation>
    </message>
</context>
<context>
    <name>PortSettingsDialog</name>
    <message>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>比特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>数据位</source>
        <translation>Data bits</translation>
    </message>
    <message>
        <source>停止位</source>
        <translation>Stop bits</translation>
    </message>
    <message>
        <source>奇偶校验</source>
        <translation>Parity</translation>
    </message>
    <message>
        <source>流控制</source>
        <translation>Flow control</translation>
    </message>
    <message>
        <source>端口设置</source>
        <translation>Port settings</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>端口设置未被采用，原设置仍然有效。
</source>
        <translation>The port settings were not applied; the previous settings remain in effect.
</translation>
    </message>
    <message>
        <source>紧凑</source>
        <translation>Compact</translation>
    </message>
    <message>
        <source>带空格</source>
        <translation>With blanks</translation>
    </message>
    <message>
        <source>命令格式</source>
        <translation>Command format</translation>
    </message>
    <message>
        <source>发送的指令形如 %1</source>
        <translation>Commands go out as %1</translation>
    </message>
</context>
<context>
    <name>PoseTableModel</name>
    <message>
        <source>行</source>
        <translation>Line</translation>
    </message>
    <message>
        <source>间隔 (ms)</source>
        <translation>Interval (ms)</translation>
    </message>
    <message>
        <source>字节</source>
        <translation>Bytes</translation>
    </message>
    <message>
        <source>线路</source>
        <translation>Wire</translation>
    </message>
    <message>
        <source>到位</source>
        <translation>Arrival</translation>
    </message>
    <message>
        <source>检查</source>
        <translation>Check</translation>
    </message>
    <message>
        <source>间隔须是 %1 到 %2 之间的整数 (ms)。</source>
        <translation>The interval must be a whole number from %1 to %2 (ms).</translation>
    </message>
    <message>
        <source>%1 的脉宽须在 %2 到 %3 µs 之间。</source>
        <translation>The pulse of %1 must be from %2 to %3 µs.</translation>
    </message>
    <message>
        <source>这一行没有 %1 的指令：它的值是从前面的行保持下来的。</source>
        <translation>This line has no command for %1: its value is held from the lines before.</translation>
    </message>
</context>
<context>
    <name>PuppetControls</name>
    <message>
        <source>手柄…</source>
        <translation>Game Pad…</translation>
    </message>
    <message>
        <source>手柄已连接：%1</source>
        <translation>Game pad plugged in: %1</translation>
    </message>
    <message>
        <source>手柄已拔出：%1</source>
        <translation>Game pad pulled out: %1</translation>
    </message>
    <message>
        <source>手柄的摇杆现在移动夹爪末端</source>
        <translation>The game pad&apos;s sticks now move the gripper&apos;s tip</translation>
    </message>
    <message>
        <source>手柄的摇杆现在移动各个关节</source>
        <translation>The game pad&apos;s sticks now move the joints</translation>
    </message>
    <message>
        <source>无法使用手柄：%1</source>
        <translation>Game pads cannot be used: %1</translation>
    </message>
</context>
<context>
    <name>RecordActions</name>
    <message>
        <source>录制</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>放弃录制</source>
        <translation>Drop Recording</translation>
    </message>
    <message>
        <source>● 录制中</source>
        <translation>● Recording</translation>
    </message>
    <message>
        <source>录制已放弃</source>
        <translation>Recording dropped</translation>
    </message>
    <message>
        <source>录制结束：姿态没有变化，没有加入行</source>
        <translation>Recording ended: the pose did not change, no lines added</translation>
    </message>
    <message numerus="yes">
        <source>录制了 %n 行，插在当前行之后</source>
        <translation>
            <numerusform>Recorded %n line, inserted after the current line</numerusform>
            <numerusform>Recorded %n lines, inserted after the current line</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>SequenceCommands</name>
    <message>
        <source>请选择指令</source>
        <translation>Please select a command</translation>
    </message>
</context>
<context>
    <name>SequenceFile</name>
    <message>
        <source>这不是一个普通文件。</source>
        <translation>This is not a regular file.</translation>
    </message>
    <message>
        <source>文件大于 %1 MB，不是动作序列文件。</source>
        <translation>The file is larger than %1 MB; it is not a motion sequence file.</translation>
    </message>
    <message>
        <source>文件内容不是 UTF-8、GBK 或带字节顺序标记的 UTF-16 文本，无法原样读取。</source>
        <translation>The file is not UTF-8, GBK or UTF-16 text with a byte order mark, so it cannot be read as it is.</translation>
    </message>
    <message>
        <source>启动时无法读取该文件，为免覆盖其原有内容，本次未保存。</source>
        <translation>The file could not be read at start-up; to avoid overwriting its contents, nothing was saved this time.</translation>
    </message>
    <message>
        <source>编码无法容纳文本中的字符。</source>
        <translation>The encoding cannot hold the characters in the text.</translation>
    </message>
</context>
<context>
    <name>SequenceFileMenu</name>
    <message>
        <source>动作序列 (%1);;所有文件 (*)</source>
        <translation>Motion sequences (%1);;All files (*)</translation>
    </message>
    <message>
        <source>打开序列</source>
        <translation>Open sequence</translation>
    </message>
    <message>
        <source>另存为</source>
        <translation>Save as</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>打开序列…</source>
        <translation>Open sequence…</translation>
    </message>
    <message>
        <source>另存为…</source>
        <translation>Save as…</translation>
    </message>
    <message>
        <source>最近的文件</source>
        <translation>Recent files</translation>
    </message>
    <message>
        <source>无法读取 %1：
%2</source>
        <translation>Cannot read %1:
%2</translation>
    </message>
    <message>
        <source>动作序列未能保存到 %1：
%2</source>
        <translation>The motion sequence could not be saved to %1:
%2</translation>
    </message>
    <message>
        <source>（无）</source>
        <translation>(none)</translation>
    </message>
    <message>
        <source>导出为 Arduino 程序</source>
        <translation>Export as an Arduino program</translation>
    </message>
</context>
<context>
    <name>SequenceStoreQuestions</name>
    <message>
        <source>%1 在本程序读入之后已被修改（可能是另一个程序）。</source>
        <translation>%1 has been changed since this program read it (perhaps by another program).</translation>
    </message>
    <message>
        <source>无法读取动作序列文件 %1：
%2

本次运行不会覆盖该文件。</source>
        <translation>Cannot read the motion sequence file %1:
%2

This run will not overwrite the file.</translation>
    </message>
    <message>
        <source>另一个正在运行的舵机控制台也打开了 %1。

本窗口的未保存修改另存一份恢复副本，互不删除；保存时若文件已被另一个窗口改写，会先询问。</source>
        <translation>Another running Servo Console also has %1 open.

This window keeps its unsaved changes in a recovery copy of its own, and neither deletes the other&apos;s; when saving, you are asked first if the other window has rewritten the file.</translation>
    </message>
    <message>
        <source>上次运行时有未保存的动作序列修改，保存在恢复副本 %1 中，它比 %2 新。

要恢复这些修改吗？不恢复则删除该副本。</source>
        <translation>The last run left unsaved changes to the motion sequence in the recovery copy %1, which is newer than %2.

Restore these changes? If not, the copy is deleted.</translation>
    </message>
    <message>
        <source>恢复</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>不恢复</source>
        <translation>Don&apos;t restore</translation>
    </message>
    <message>
        <source>

要用本窗口中的动作序列覆盖它吗？</source>
        <translation>

Overwrite it with the motion sequence in this window?</translation>
    </message>
    <message>
        <source>覆盖</source>
        <translation>Overwrite</translation>
    </message>
    <message>
        <source>不关闭窗口</source>
        <translation>Keep the window open</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>动作序列未能保存到 %1：
%2</source>
        <translation>The motion sequence could not be saved to %1:
%2</translation>
    </message>
    <message>
        <source>动作序列未能保存到 %1：
%2

仍要关闭吗？关闭后未保存的动作序列将丢失。</source>
        <translation>The motion sequence could not be saved to %1:
%2

Close anyway? The unsaved motion sequence will be lost.</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>无法写入恢复副本 %1：
%2

程序意外退出时，未保存的修改将无法恢复。</source>
        <translation>Cannot write the recovery copy %1:
%2

If the program ends unexpectedly, unsaved changes cannot be recovered.</translation>
    </message>
    <message>
        <source>动作序列未保存到 %1：%2
</source>
        <translation>The motion sequence was not saved to %1: %2
</translation>
    </message>
    <message>
        <source>恢复副本 %1 也未能写入：%2
</source>
        <translation>The recovery copy %1 could not be written either: %2
</translation>
    </message>
    <message>
        <source>未保存的动作序列留在 %1 中，下次启动时可以恢复。
</source>
        <translation>The unsaved motion sequence is kept in %1 and can be restored at the next start.
</translation>
    </message>
    <message>
        <source>%1 ← %2</source>
        <translation>%1 ← %2</translation>
    </message>
</context>
<context>
    <name>SerialPort</name>
    <message numerus="yes">
        <source>这条指令有 %1 字节，超过了等待发送数据的上限（约 %2 秒的发送量，%3 字节），整条被拒绝、没有发送。</source>
        <translation>
            <numerusform>This command has %1 byte, more than the limit of data waiting to be sent (about %2 seconds of sending, %3 bytes); the whole command was refused and not sent.</numerusform>
            <numerusform>This command has %1 bytes, more than the limit of data waiting to be sent (about %2 seconds of sending, %3 bytes); the whole command was refused and not sent.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>串口发送跟不上：等待发送的数据已积压到上限（约 %1 秒的发送量，%2 字节）。积压发出之前，新的指令被拒绝、不会发送，舵机可能没有到达界面上显示的位置。</source>
        <translation>
            <numerusform>The serial port cannot keep up: the data waiting to be sent has reached its limit (about %1 seconds of sending, %2 byte). Until the backlog is sent, new commands are refused and not sent, so the servos may not be where the window shows them.</numerusform>
            <numerusform>The serial port cannot keep up: the data waiting to be sent has reached its limit (about %1 seconds of sending, %2 bytes). Until the backlog is sent, new commands are refused and not sent, so the servos may not be where the window shows them.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>关闭串口时，还有 %1 字节（约 %2 秒的发送量）在 %3 秒内未能发出，已被丢弃，没有送到舵机板。</source>
        <translation>
            <numerusform>When the serial port was closed, %1 byte (about %2 seconds of sending) could not be sent within %3 seconds. It was discarded and never reached the servo board.</numerusform>
            <numerusform>When the serial port was closed, %1 bytes (about %2 seconds of sending) could not be sent within %3 seconds. They were discarded and never reached the servo board.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>等待发送的指令（%1 字节）没能写入串口，已被丢弃，没有送到舵机板：%2</source>
        <translation>
            <numerusform>Commands waiting to be sent (%1 byte) could not be written to the serial port and were dropped; they did not reach the servo board: %2</numerusform>
            <numerusform>Commands waiting to be sent (%1 bytes) could not be written to the serial port and were dropped; they did not reach the servo board: %2</numerusform>
        </translation>
    </message>
    <message>
        <source>比特率 %1 不是串口能用的速率，应为其中之一：%2。</source>
        <translation>A serial port cannot run at %1 baud; the rate should be one of %2.</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
</context>
<context>
    <name>SettingsString</name>
    <message>
        <source>比特率“%1”无效：应为 1 到 4000000 之间的整数。</source>
        <translation>Baud rate “%1” is not valid: it must be a whole number from 1 to 4000000.</translation>
    </message>
    <message>
        <source>校验位“%1”无效：应为 n、e、o、m 或 s。</source>
        <translation>Parity “%1” is not valid: it must be n, e, o, m or s.</translation>
    </message>
    <message>
        <source>数据位“%1”无效：应为 5、6、7 或 8。</source>
        <translation>Data bits “%1” is not valid: it must be 5, 6, 7 or 8.</translation>
    </message>
    <message>
        <source>停止位“%1”无效：应为 1、1.5 或 2。</source>
        <translation>Stop bits “%1” is not valid: it must be 1, 1.5 or 2.</translation>
    </message>
    <message>
        <source>停止位“%1”无效：应为 1 或 2。</source>
        <translation>Stop bits “%1” is not valid: it must be 1 or 2.</translation>
    </message>
    <message>
        <source>停止位“%1”无法使用：本系统的串口不支持 1.5 位停止位，应为 1 或 2。</source>
        <translation>Stop bits “%1” cannot be used: serial ports on this system do not support 1.5 stop bits; it must be 1 or 2.</translation>
    </message>
</context>
<context>
    <name>StatusLine</name>
    <message>
        <source>端口号无效：端口框应为 COM 加端口号，例如 COM3</source>
        <translation>Invalid port number: the port box takes COM and a port number, for example COM3</translation>
    </message>
    <message>
        <source>端口已被占用</source>
        <translation>The port is in use</translation>
    </message>
    <message>
        <source>找不到设备 %1</source>
        <translation>Device %1 not found</translation>
    </message>
    <message>
        <source>没有权限打开 %1（请把用户加入 dialout 组，重新登录后再试）</source>
        <translation>No permission to open %1 (add the user to the dialout group, log in again and retry)</translation>
    </message>
    <message>
        <source>设备不接受设置 %1：%2</source>
        <translation>The device does not accept the settings %1: %2</translation>
    </message>
    <message>
        <source>无法打开 %1：%2</source>
        <translation>Cannot open %1: %2</translation>
    </message>
    <message>
        <source>不足 10 个字符，不发送，沿用上一行的间隔</source>
        <translation>shorter than 10 characters: nothing is sent and the previous line&apos;s interval is kept</translation>
    </message>
    <message>
        <source>第 5 到 9 个字符读不出间隔，不发送，沿用上一行的间隔</source>
        <translation>characters 5 to 9 do not read as an interval: nothing is sent and the previous line&apos;s interval is kept</translation>
    </message>
    <message>
        <source>发送 %1</source>
        <translation>sends %1</translation>
    </message>
    <message>
        <source>，之后等 %1 毫秒</source>
        <translation>, then waits %1 ms</translation>
    </message>
    <message>
        <source>，之后播放停止</source>
        <translation>, then playback stops</translation>
    </message>
    <message>
        <source>，间隔 %1 无效，沿用上一行的间隔</source>
        <translation>, the interval %1 is not valid and the previous line&apos;s interval is kept</translation>
    </message>
    <message>
        <source>第 %1 行不会照所写的播放：%2</source>
        <translation>Line %1 will not play as written: %2</translation>
    </message>
    <message>
        <source>没有勾选任何通道：添加的行只有间隔时间</source>
        <translation>No channel is ticked: the added line holds only the interval</translation>
    </message>
    <message>
        <source>已连接 %1 %2</source>
        <translation>Connected %1 %2</translation>
    </message>
    <message>
        <source>未连接</source>
        <translation>Not connected</translation>
    </message>
    <message>
        <source>未连接 · 连接失败：%1</source>
        <translation>Not connected · connecting failed: %1</translation>
    </message>
    <message>
        <source> · 循环第 %1 遍</source>
        <translation> · loop %1</translation>
    </message>
    <message>
        <source>播放中 第 %1/%2 行</source>
        <translation>Playing line %1/%2</translation>
    </message>
    <message>
        <source>已暂停 第 %1/%2 行</source>
        <translation>Paused at line %1/%2</translation>
    </message>
    <message>
        <source>未播放</source>
        <translation>Not playing</translation>
    </message>
    <message>
        <source>播放结束：已到序列末尾</source>
        <translation>Playback finished: end of the sequence</translation>
    </message>
    <message>
        <source>播放停止：第 %1 行的间隔为 0</source>
        <translation>Playback stopped: line %1 has an interval of 0</translation>
    </message>
    <message>
        <source>播放停止：端口未打开</source>
        <translation>Playback stopped: the port is not open</translation>
    </message>
    <message>
        <source>播放停止：串口连接已中断</source>
        <translation>Playback stopped: the serial connection was lost</translation>
    </message>
    <message>
        <source>播放已停止（第 %1 行）</source>
        <translation>Playback stopped (line %1)</translation>
    </message>
    <message numerus="yes">
        <source>，待发送 %1 字节</source>
        <translation>
            <numerusform>, %1 byte waiting</numerusform>
            <numerusform>, %1 bytes waiting</numerusform>
        </translation>
    </message>
    <message>
        <source>最近一次：%1</source>
        <translation>Latest: %1</translation>
    </message>
    <message>
        <source>已限位 %1 处</source>
        <translation>Held to limits: %1</translation>
    </message>
    <message>
        <source>正在读入动作序列（%1%），读完后继续……</source>
        <translation>Loading the sequence (%1%); going on when it is in…</translation>
    </message>
    <message>
        <source>正在读入动作序列：%1%</source>
        <translation>Loading the sequence: %1%</translation>
    </message>
    <message>
        <source> · 速度 ×%1</source>
        <translation> · speed ×%1</translation>
    </message>
    <message>
        <source>第 %1 行不会照所写的播放，没有载入姿态：%2</source>
        <translation>Line %1 will not play as written; no pose was loaded: %2</translation>
    </message>
    <message>
        <source>读不出上次发送的姿态（%1），已忽略</source>
        <translation>Could not read the last pose sent (%1); ignored</translation>
    </message>
    <message>
        <source>上次发送的姿态的记录已损坏，已忽略</source>
        <translation>The record of the last pose sent is damaged; ignored</translation>
    </message>
    <message>
        <source>无法记下发送的姿态：%1</source>
        <translation>Could not record the pose sent: %1</translation>
    </message>
    <message>
        <source>%1 秒前</source>
        <translation>%1 s ago</translation>
    </message>
    <message>
        <source>%1 分钟前</source>
        <translation>%1 min ago</translation>
    </message>
    <message>
        <source>%1 小时前</source>
        <translation>%1 h ago</translation>
    </message>
    <message>
        <source>%1 天前</source>
        <translation>%1 d ago</translation>
    </message>
    <message>
        <source>上次发送的姿态：%1</source>
        <translation>Last pose sent: %1</translation>
    </message>
    <message>
        <source>滑向第 %1 行的起始姿态</source>
        <translation>Gliding to the starting pose of line %1</translation>
    </message>
    <message>
        <source>%1：%2 → %3</source>
        <translation>%1: %2 → %3</translation>
    </message>
    <message>
        <source>急停：机械臂停在当前位置</source>
        <translation>Emergency stop: the arm is held where it is</translation>
    </message>
    <message>
        <source>载入第 %1 行的姿态：机械臂正滑向它</source>
        <translation>Pose of line %1 loaded: the arm is gliding there</translation>
    </message>
    <message>
        <source>已断开连接，播放已停止</source>
        <translation>Disconnected; playback stopped</translation>
    </message>
    <message numerus="yes">
        <source>已发送 %1 字节</source>
        <translation>
            <numerusform>Sent %1 byte</numerusform>
            <numerusform>Sent %1 bytes</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>，%1 条指令</source>
        <translation>
            <numerusform>, %1 command</numerusform>
            <numerusform>, %1 commands</numerusform>
        </translation>
    </message>
    <message>
        <source>还没有消息</source>
        <translation>No messages yet</translation>
    </message>
    <message>
        <source>这些通道的最新位置等线路腾出空间后发出</source>
        <translation>The latest positions of these channels are sent when the line has room</translation>
    </message>
    <message>
        <source>最近的消息</source>
        <translation>Recent messages</translation>
    </message>
    <message>
        <source>命令格式：带空格</source>
        <translation>Command format: spaced</translation>
    </message>
    <message numerus="yes">
        <source>%n 个通道等待发送</source>
        <translation>
            <numerusform>%n channel waiting to be sent</numerusform>
            <numerusform>%n channels waiting to be sent</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>ViewMenu</name>
    <message>
        <source>动作工作台</source>
        <translation>Motion workspace</translation>
    </message>
    <message>
        <source>滑块跟随机械臂</source>
        <translation>Sliders follow the arm</translation>
    </message>
    <message>
        <source>每播放一行、滑行、载入姿态或急停之后，通道滑块显示发给机械臂的位置（不再发送）</source>
        <translation>After each played line, glide, loaded pose or emergency stop, the channel sliders show what was sent to the arm (without sending it again)</translation>
    </message>
</context>
<context>
    <name>VirtualBoards</name>
    <message>
        <source>COM%1 (虚拟舵机板)</source>
        <translation>COM%1 (virtual servo board)</translation>
    </message>
</context>
<context>
    <name>WorkspaceWindow</name>
    <message>
        <source>动作工作台</source>
        <translation>Motion workspace</translation>
    </message>
    <message>
        <source>拉长间隔以到位</source>
        <translation>Stretch intervals to arrive</translation>
    </message>
    <message>
        <source>把选中行的间隔拉长到舵机能到位的最短时间（取整到 10 ms）</source>
        <translation>Lengthens the interval of the selected lines to the least time in which the servos arrive (rounded up to 10 ms)</translation>
    </message>
    <message>
        <source>正在拉长间隔……</source>
        <translation>Lengthening intervals…</translation>
    </message>
</context>
<context>
    <name>filereplacement</name>
    <message>
        <source>这不是一个普通文件。</source>
        <translation>This is not a regular file.</translation>
    </message>
    <message>
        <source>文件是只读的。</source>
        <translation>The file is read-only.</translation>
    </message>
    <message>
        <source>无法创建文件夹 %1</source>
        <translation>Cannot create the folder %1</translation>
    </message>
    <message>
        <source>写入失败。</source>
        <translation>Writing failed.</translation>
    </message>
</context>
<context>
    <name>jobprogress</name>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
</context>
<context>
    <name>linecheck</name>
    <message>
        <source>发送：无（此行不足 10 个字符）
间隔：沿用上一行的间隔</source>
        <translation>Sends: nothing (the line is shorter than 10 characters)
Interval: the previous line&apos;s</translation>
    </message>
    <message>
        <source>发送：无（第 5 到 9 个字符读出的间隔超出范围）
间隔：沿用上一行的间隔</source>
        <translation>Sends: nothing (the interval in characters 5 to 9 is out of range)
Interval: the previous line&apos;s</translation>
    </message>
    <message>
        <source>发送：无字节</source>
        <translation>Sends: no bytes</translation>
    </message>
    <message>
        <source>发送：</source>
        <translation>Sends: </translation>
    </message>
    <message>
        <source>
间隔：%1 毫秒</source>
        <translation>
Interval: %1 ms</translation>
    </message>
    <message>
        <source>
间隔：0，播放在此行之后停止</source>
        <translation>
Interval: 0, playback stops after this line</translation>
    </message>
    <message>
        <source>
间隔：%1 无效，沿用上一行的间隔</source>
        <translation>
Interval: %1 is not valid, the previous line&apos;s is kept</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>舵机控制台：通过 32 路舵机控制板调整和编排机械臂的动作。</source>
        <translation>Servo Console: adjusts and sequences the motions of a robot arm through a 32-channel servo controller board.</translation>
    </message>
    <message>
        <source>界面语言：zh（中文，默认）或 en（English）。</source>
        <translation>Interface language: zh (Chinese, the default) or en (English).</translation>
    </message>
    <message>
        <source>舵机控制台</source>
        <translation>Servo Console</translation>
    </message>
    <message>
        <source>--language 只接受 zh 或 en，而不是“%1”。</source>
        <translation>--language takes zh or en, not “%1”.</translation>
    </message>
    <message>
        <source>把动作序列导出为 Arduino Uno 独立播放的程序，写入文件夹 DIR（不打开窗口）。</source>
        <translation>Export the action sequence as a program an Arduino Uno plays on its own, into the folder DIR (no window opens).</translation>
    </message>
    <message>
        <source>导出的动作序列文件（默认：程序的 cmd.txt）。</source>
        <translation>The action sequence file to export (default: the program&apos;s cmd.txt).</translation>
    </message>
    <message>
        <source>导出时的通道设置文件（默认：序列旁的 arm.json）。</source>
        <translation>The channel settings file for the export (default: the arm.json beside the sequence).</translation>
    </message>
    <message>
        <source>导出的程序循环播放序列。</source>
        <translation>The exported program plays the sequence again and again.</translation>
    </message>
    <message>
        <source>找不到动作序列文件 %1。</source>
        <translation>There is no action sequence file %1.</translation>
    </message>
    <message>
        <source>无法读取动作序列文件 %1：%2</source>
        <translation>The action sequence file %1 cannot be read: %2</translation>
    </message>
    <message>
        <source>通道设置文件 %1 不能完整读取：%2</source>
        <translation>The channel settings file %1 cannot be read whole: %2</translation>
    </message>
    <message>
        <source>无法写入文件夹 %1：%2</source>
        <translation>The folder %1 cannot be written: %2</translation>
    </message>
    <message>
        <source>无法导出：%1</source>
        <translation>Nothing was exported: %1</translation>
    </message>
    <message>
        <source>；</source>
        <comment>between two problems</comment>
        <translation>; </translation>
    </message>
</context>
<context>
    <name>poseline</name>
    <message>
        <source>不会按原样播放</source>
        <translation>will not play as written</translation>
    </message>
    <message>
        <source>线路来不及 需要 %1 ms，间隔 %2 ms</source>
        <translation>wire too slow: needs %1 ms, interval %2 ms</translation>
    </message>
    <message>
        <source>来不及到位 需要 %1 ms，间隔 %2 ms</source>
        <translation>cannot arrive: needs %1 ms, interval %2 ms</translation>
    </message>
    <message>
        <source>曲线跟不上 需要 %1 ms，间隔 %2 ms</source>
        <translation>curve too steep: needs %1 ms, interval %2 ms</translation>
    </message>
</context>
<context>
    <name>profileui</name>
    <message>
        <source>不是有效的 JSON（%1）</source>
        <translation>not valid JSON (%1)</translation>
    </message>
    <message>
        <source>整个文件应是一个 JSON 对象</source>
        <translation>the whole file must be one JSON object</translation>
    </message>
    <message>
        <source>类型不对</source>
        <translation>wrong type</translation>
    </message>
    <message>
        <source>没有这一项</source>
        <translation>no such field</translation>
    </message>
    <message>
        <source>%1 超出允许范围</source>
        <translation>%1 is out of range</translation>
    </message>
    <message>
        <source>通道 %1 不存在（只有 0 到 31）</source>
        <translation>there is no channel %1 (only 0 to 31)</translation>
    </message>
    <message>
        <source>两个关节用了同一个通道（%1），关节保持默认</source>
        <translation>two joints on one channel (%1); the joints keep their defaults</translation>
    </message>
    <message>
        <source>min 大于 max（%1），限位没有采用</source>
        <translation>min above max (%1); the limits were not taken</translation>
    </message>
    <message>
        <source>版本 %1 不是本程序写的版本 %2，只读取了认得的内容</source>
        <translation>version %1 is not the version %2 this program writes; only what it knows was read</translation>
    </message>
    <message>
        <source>大于 1 MB，没有读取</source>
        <translation>larger than 1 MB, not read</translation>
    </message>
    <message>
        <source>不是普通文件，没有读取</source>
        <translation>not a regular file, not read</translation>
    </message>
    <message>
        <source>无法读取：%1</source>
        <translation>cannot be read: %1</translation>
    </message>
    <message>
        <source>第 %1 行第 %2 列：%3</source>
        <translation>line %1, column %2: %3</translation>
    </message>
    <message>
        <source>“%1”：%2</source>
        <translation>“%1”: %2</translation>
    </message>
    <message>
        <source>通道设置</source>
        <translation>Channel setup</translation>
    </message>
    <message>
        <source>%1 有问题：
%2

程序使用能读取的部分，其余保持默认。文件不会被改写，除非在“通道设置”中按确定。</source>
        <translation>%1 has problems:
%2

The program uses what it could read; the rest keeps its defaults. The file is not rewritten unless you press OK in “Channel setup”.</translation>
    </message>
    <message>
        <source>把通道设置也存到 %1 吗？那里已有的文件会被替换。</source>
        <translation>Save the channel setup to %1 as well? The file already there will be replaced.</translation>
    </message>
    <message>
        <source>把通道设置也存到 %1 吗？</source>
        <translation>Save the channel setup to %1 as well?</translation>
    </message>
    <message>
        <source>另存为</source>
        <translation>Save as</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>不保存</source>
        <translation>Don&apos;t save</translation>
    </message>
    <message>
        <source>通道设置未能保存到 %1：
%2</source>
        <translation>The channel setup could not be saved to %1:
%2</translation>
    </message>
    <message>
        <source>已读取与序列同来的通道设置 %1。在“通道设置”中按确定会把它存为 %2。</source>
        <translation>Read the channel setup that came with the sequence, %1. Pressing OK in “Channel setup” saves it as %2.</translation>
    </message>
    <message>
        <source>打开序列</source>
        <translation>Open sequence</translation>
    </message>
    <message>
        <source>%1 中有本程序没有读取的内容。要用现在的设置替换它吗？</source>
        <translation>%1 holds things this program did not read. Replace it with the current setup?</translation>
    </message>
    <message>
        <source>替换</source>
        <translation>Replace</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>出现了不止一次，只读取了最后一个</source>
        <translation>given more than once; only the last was read</translation>
    </message>
    <message>
        <source>初始值不在限位之内（%1），没有采用</source>
        <translation>the home lies outside the limits (%1) and was not used</translation>
    </message>
    <message>
        <source>没有叫“%1”的缓动（可用：%2）</source>
        <translation>there is no easing called “%1” (known: %2)</translation>
    </message>
    <message>
        <source>……另有 %1 处问题</source>
        <translation>… and %1 more problems</translation>
    </message>
    <message>
        <source>打开“通道设置”之后，使用中的通道设置已经改变（例如打开序列时读取了与它同来的设置）。要用对话框中的值替换它并存为 %1 吗？

取消：回到对话框；关闭对话框再打开可看到使用中的设置。</source>
        <translation>Since Channel Setup was opened, the channel setup in force has changed (for example, opening a sequence read the setup that came with it). Replace it with the values in the dialog and save them as %1?

Cancel: back to the dialog; close and reopen the dialog to see the setup in force.</translation>
    </message>
</context>
<context>
    <name>sketchexport</name>
    <message>
        <source>序列中没有让舵机运动的行。</source>
        <translation>No line of the sequence moves a servo.</translation>
    </message>
    <message>
        <source>序列用到 %1 个通道（%2），Arduino Uno 最多驱动 %3 个舵机。</source>
        <translation>The sequence uses %1 channels (%2); an Arduino Uno drives %3 servos at most.</translation>
    </message>
    <message>
        <source>通道 %1 没有分到引脚。</source>
        <translation>Channel %1 has no pin.</translation>
    </message>
    <message>
        <source>Arduino Uno 没有给通道 %1 的引脚 %2（可用：2–13 和 A0–A5）。</source>
        <translation>An Arduino Uno has no pin %2 for channel %1 (there are 2–13 and A0–A5).</translation>
    </message>
    <message>
        <source>引脚 %1 同时分给了通道 %2。</source>
        <translation>Pin %1 is given to channels %2 at once.</translation>
    </message>
    <message>
        <source>第 %1 行的通道组太多，导出的程序放不下。</source>
        <translation>Line %1 has more channel groups than the exported program can hold.</translation>
    </message>
    <message>
        <source>导出的程序需要 %1 字节程序存储和 %2 字节内存，Arduino Uno 只有 %3 和 %4 字节：多出 %5 字节。序列的前 %6 行放得下。</source>
        <translation>The exported program needs %1 bytes of program memory and %2 bytes of RAM; an Arduino Uno has %3 and %4: %5 bytes too many. The first %6 lines of the sequence fit.</translation>
    </message>
    <message>
        <source>通道 %1 → 引脚 %2</source>
        <translation>channel %1 → pin %2</translation>
    </message>
    <message>
        <source>已导出到 %1：%2 行，%3 个舵机（%4）。程序存储最多 %5 / %6 字节，内存最多 %7 / %8 字节。</source>
        <translation>Exported to %1: %2 lines, %3 servos (%4). At most %5 / %6 bytes of program memory and %7 / %8 bytes of RAM.</translation>
    </message>
    <message>
        <source>，</source>
        <comment>between two channels&apos; pins</comment>
        <translation>, </translation>
    </message>
</context>
<context>
    <name>workspace::ArmView</name>
    <message>
        <source>侧视</source>
        <translation>Side</translation>
    </message>
    <message>
        <source>俯视</source>
        <translation>Top</translation>
    </message>
    <message>
        <source>板上的手臂</source>
        <translation>Arm on the board</translation>
    </message>
    <message>
        <source>编辑中的姿态</source>
        <translation>Pose being edited</translation>
    </message>
</context>
<context>
    <name>workspace::IkPanel</name>
    <message>
        <source>俯仰</source>
        <translation>Pitch</translation>
    </message>
    <message>
        <source>到达</source>
        <translation>Reach</translation>
    </message>
</context>
</TS>
