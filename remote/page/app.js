'use strict';
// The phone remote: pairs with the computer once, then mirrors its state over a
// WebSocket and sends the teacher's taps back. Plain ES2017 for in-app browsers.
(function () {
  const $ = (id) => document.getElementById(id);
  const TOKEN_KEY = 'mirello.token';
  const GONE = '配对已过期或已被老师取消，请重新扫码配对。';
  const NO_NET = '连不上电脑，请确认手机和电脑连在同一个网络。';
  const BACKOFF = [1, 2, 3, 5];
  const GIVE_UP_MS = 30000;

  // ---- token storage: some in-app browsers throw on localStorage, so memory backs it up.
  let memToken = null;
  function loadToken() {
    try { return localStorage.getItem(TOKEN_KEY) || memToken; } catch (e) { return memToken; }
  }
  function saveToken(t) {
    memToken = t;
    try { localStorage.setItem(TOKEN_KEY, t); } catch (e) { /* memory only */ }
  }
  function dropToken() {
    memToken = null;
    try { localStorage.removeItem(TOKEN_KEY); } catch (e) { /* memory only */ }
  }

  // JSON over fetch with a time limit: a phone that lost Wi-Fi can hang a request for minutes.
  async function call(method, path, body, bearer) {
    const headers = {};
    if (body) headers['Content-Type'] = 'application/json';
    if (bearer) headers.Authorization = 'Bearer ' + bearer;
    const ctl = typeof AbortController === 'function' ? new AbortController() : null;
    const limit = ctl ? setTimeout(() => ctl.abort(), 8000) : 0;
    try {
      const res = await fetch(path, { method, headers, cache: 'no-store',
        body: body ? JSON.stringify(body) : undefined, signal: ctl ? ctl.signal : undefined });
      let data = {};
      try { data = (await res.json()) || {}; } catch (e) { /* empty or not JSON */ }
      return { status: res.status, data };
    } finally { clearTimeout(limit); }
  }

  function show(view) { $('pairing').hidden = view !== 'pairing'; $('remote').hidden = view !== 'remote'; }

  let toastTimer = 0;
  function toast(text) {
    const t = $('toast');
    t.textContent = text;
    t.classList.add('show');
    clearTimeout(toastTimer);
    toastTimer = setTimeout(() => { t.classList.remove('show'); t.textContent = ''; }, 3500);
  }

  // ---- pairing
  let pollTimer = 0;
  let waitTimer = 0; // counts down a 429; the button stays off until it ends

  function setError(text) { $('error').textContent = text; }

  function pairForm(msg) {
    clearTimeout(pollTimer);
    $('waiting').hidden = true;
    $('code').disabled = false;
    $('pair').disabled = waitTimer !== 0;
    setError(msg || '');
  }

  function toPairing(msg) { show('pairing'); pairForm(msg); }

  function blockFor(msg, seconds) {
    let left = Math.max(1, Math.ceil(Number(seconds) || 30));
    clearInterval(waitTimer);
    const tick = () => {
      $('pair').disabled = left > 0;
      if (left > 0) { setError(msg + '（还需等待 ' + left-- + ' 秒）'); return; }
      clearInterval(waitTimer);
      waitTimer = 0;
      setError('');
    };
    waitTimer = setInterval(tick, 1000);
    tick();
  }

  async function pair(code) {
    if (waitTimer) return;
    if (!/^\d{6}$/.test(code)) { setError('请输入 6 位数字配对码。'); return; }
    setError('');
    $('pair').disabled = true;
    $('code').disabled = true;
    let r;
    try { r = await call('POST', '/pair', { code }); } catch (e) { pairForm(NO_NET); return; }
    if (r.status === 202 && r.data.request) {
      waitFor(String(r.data.request), String(r.data.check || ''));
      return;
    }
    pairForm(r.data.error || '配对失败，请重试。');
    if (r.status === 429) blockFor(r.data.error || '尝试次数过多。', r.data.retryAfter);
  }

  // The computer's question shows the same two digits: the teacher lets in this phone,
  // not a student's that asked at the same moment.
  function waitFor(request, check) {
    $('check').textContent = check;
    $('checkLine').hidden = !check;
    $('waiting').hidden = false;
    const poll = async () => {
      let r;
      try { r = await call('GET', '/pair/' + encodeURIComponent(request)); } catch (e) {
        pollTimer = setTimeout(poll, 1000); // a Wi-Fi hiccup: the request still lives on the computer
        return;
      }
      const status = r.data.status;
      if (r.status === 200 && status === 'waiting') {
        pollTimer = setTimeout(poll, 1000);
      } else if (r.status === 200 && status === 'paired' && r.data.token) {
        saveToken(token = String(r.data.token));
        $('code').value = '';
        pairForm('');
        startRemote();
      } else if (status === 'refused') {
        pairForm('老师在电脑上拒绝了这次配对。');
      } else {
        pairForm(r.data.error || '配对请求已失效，请重新配对。');
      }
    };
    pollTimer = setTimeout(poll, 1000);
  }

  // ---- remote
  let token = null;
  let ws = null;        // the socket being opened or open
  let online = false;   // open and usable
  let checking = false; // a /session check after a close is under way
  let tries = 0;
  let retryTimer = 0;
  let state = null;
  let classKey = null;
  const pending = new Map(); // id -> message text, until its ack

  function newId() {
    const b = new Uint8Array(16);
    crypto.getRandomValues(b);
    return Array.from(b, (x) => (x < 16 ? '0' : '') + x.toString(16)).join('');
  }

  // What a tap was for, as this page showed it: the computer acts on that student (or
  // that recording) or on nobody, however late the tap arrives.
  function aimOf(action) {
    const s = state || {};
    return {
      class: typeof s.class === 'string' ? s.class : '',
      draw: typeof s.draw === 'string' ? s.draw : '',
      recording: action === 'undo' && typeof s.undo === 'string' ? s.undo : '',
      grade: action === 'record' && s.grade >= 0 && s.grade < 4 ? String(s.grade + 1) : '',
      drawing: !!s.running,
    };
  }

  // What the teacher is told once the computer has carried out a tap: the screen in
  // front of the class may show nothing of it.
  function confirmationOf(action, arg) {
    const s = state || {};
    const name = typeof s.name === 'string' ? s.name : '';
    switch (action) {
      case 'record': {
        const grade = $('g' + (Number(s.grade) + 1));
        return '已记录：' + name + (grade ? ' ' + grade.textContent : '');
      }
      case 'undo': return '已撤销上一次记录';
      case 'pass': return '已跳过：' + name;
      case 'absent': return (s.absent ? '已取消缺席：' : '已记为今天缺席：') + name;
      case 'new-round': return '新一轮开始';
      case 'unlock': return '大屏已解锁';
      case 'absent-of': {
        const listed = attendanceOf(s).find((a) => a[0] === arg);
        return (listed && listed[1] ? '已取消缺席：' : '今天缺席：') + arg;
      }
      default: return '';
    }
  }

  function send(action, arg) {
    const msg = Object.assign({ id: newId(), do: action }, aimOf(action));
    if (arg !== undefined) msg.arg = String(arg);
    const text = JSON.stringify(msg);
    pending.set(msg.id, { text, done: confirmationOf(action, arg) });
    setTimeout(() => {
      if (pending.delete(msg.id)) toast('电脑没有回应，这一步可能没有完成。');
    }, GIVE_UP_MS);
    if (online) ws.send(text);
  }

  async function sessionState() {
    try {
      const r = await call('GET', '/session', null, token);
      return r.status === 401 ? 'gone' : r.status === 200 ? 'ok' : 'offline';
    } catch (e) { return 'offline'; }
  }

  function expire(msg) {
    dropToken();
    token = state = null;
    pending.clear();
    clearTimeout(retryTimer);
    toPairing(msg);
  }

  function startRemote() {
    show('remote');
    $('offline').hidden = true;
    render();
    connect();
  }

  function connect() {
    if (ws || !token) return;
    clearTimeout(retryTimer);
    const url = (location.protocol === 'https:' ? 'wss://' : 'ws://') + location.host +
      '/ws?token=' + encodeURIComponent(token);
    let sock;
    try { sock = new WebSocket(url); } catch (e) { offline(); return; }
    ws = sock;
    // A handshake stalled on a dead network may never close by itself.
    const guard = setTimeout(() => sock.close(), 10000);
    sock.onopen = () => {
      clearTimeout(guard);
      tries = 0;
      online = true;
      $('offline').hidden = true;
      render();
      // Unanswered actions go again with the same id; the computer carries each out once.
      pending.forEach((asked) => sock.send(asked.text));
    };
    sock.onmessage = (ev) => receive(ev.data);
    sock.onclose = () => {
      clearTimeout(guard);
      if (ws !== sock) return;
      ws = null;
      online = false;
      render();
      lost();
    };
  }

  // Closed: tell a revoked or expired token from a network that went away.
  async function lost() {
    checking = true;
    const s = await sessionState();
    checking = false;
    if (!token) return;
    if (s === 'gone') expire(GONE);
    else offline();
  }

  function offline() {
    $('offline').hidden = false;
    clearTimeout(retryTimer);
    retryTimer = setTimeout(connect, 1000 * BACKOFF[Math.min(tries++, BACKOFF.length - 1)]);
  }

  function wake() {
    if (token && !ws && !checking && !$('remote').hidden) { tries = 0; connect(); }
  }

  function receive(data) {
    let m;
    try { m = JSON.parse(data); } catch (e) { return; }
    if (!m || typeof m !== 'object') return;
    if (m.state && typeof m.state === 'object') {
      state = m.state;
      render();
    } else if (typeof m.ack === 'string' && pending.has(m.ack)) {
      const asked = pending.get(m.ack);
      pending.delete(m.ack);
      if (m.ok !== false) {
        if (asked.done) toast(asked.done);
        return;
      }
      toast(m.error || '操作没有成功。');
      classKey = null; // a refused class change must not leave the chooser showing it
      render();
    }
  }

  function renderClasses(list, current) {
    const key = JSON.stringify([list, current]);
    if (key === classKey) return; // rebuilding on every timer tick would close an open picker
    classKey = key;
    const sel = $('class');
    sel.textContent = '';
    const add = (value, label, placeholder) => {
      const o = new Option(label, value);
      o.disabled = !!placeholder;
      o.selected = value === current;
      sel.appendChild(o);
    };
    if (!current) add('', '选择班级…', true);
    list.forEach((c) => add(String(c), String(c).replace(/\.txt$/i, '')));
    if (current && list.indexOf(current) < 0) add(current, current.replace(/\.txt$/i, ''));
  }

  function mark(el, on) {
    el.classList.toggle('on', on);
    el.setAttribute('aria-pressed', on ? 'true' : 'false');
  }

  function unseen(el, yes) { el.classList.toggle('unseen', yes); }

  function attendanceOf(s) {
    return (Array.isArray(s.attendance) ? s.attendance : [])
      .filter((a) => Array.isArray(a) && typeof a[0] === 'string');
  }

  // A tap marks a student absent today, a second tap takes it back; the names are
  // made anew only when the class's list changes.
  function renderAttendance(s) {
    const list = attendanceOf(s);
    const box = $('attendees');
    const names = list.map((a) => a[0]).join('\n');
    if (box.dataset.names !== names) {
      box.dataset.names = names;
      box.replaceChildren(...list.map((a, i) => {
        const b = document.createElement('button');
        b.type = 'button';
        b.id = 'attendee' + i;
        b.dataset.do = 'absent-of';
        b.dataset.arg = a[0];
        b.textContent = a[0];
        return b;
      }));
    }
    list.forEach((a, i) => {
      box.children[i].classList.toggle('away', !!a[1]);
      box.children[i].setAttribute('aria-pressed', a[1] ? 'true' : 'false');
    });
    const away = list.filter((a) => a[1]).length;
    $('attendanceCount').textContent = list.length
      ? '出席 ' + (list.length - away) + ' 人，缺席 ' + away + ' 人。点名字记为今天缺席，再点取消。'
      : '还没有选择班级';
  }

  // A long name gets a smaller type rather than a second line.
  function fitName() {
    const el = $('name');
    el.style.fontSize = '';
    const room = el.clientWidth;
    if (room > 0 && el.scrollWidth > room) {
      const size = parseFloat(getComputedStyle(el).fontSize);
      el.style.fontSize = Math.max(16, Math.floor(size * room / el.scrollWidth)) + 'px';
    }
  }

  function render() {
    const s = state || {};
    const name = typeof s.name === 'string' ? s.name : '';
    const cls = typeof s.class === 'string' ? s.class : '';
    const running = !!s.running;
    const calls = typeof s.calls === 'string' ? s.calls : '';
    const picks = Array.isArray(s.picks) ? s.picks : [];

    renderClasses(Array.isArray(s.classes) ? s.classes : [], cls);
    $('class').disabled = !online;

    $('name').textContent = name || (state && !cls ? '请先选择班级' : '—');
    fitName();
    $('card').classList.toggle('running', running);
    // What comes and goes keeps its room, so that no button moves under a finger.
    unseen($('absentMark'), !s.absent);
    // Between lessons the board is locked; a phone paired today opens it.
    unseen($('unlock'), !s.locked);
    // The counts as the computer shows them: "已被点到过05次", "优秀1次|良好2次|…".
    unseen($('calls'), !calls);
    unseen($('tally'), !calls);
    $('calls').textContent = calls;
    $('tally').textContent = (typeof s.tallies === 'string' ? s.tallies : '').split('|').join(' · ');
    unseen($('picks'), picks.length < 2);
    $('pickPos').textContent = (Number(s.pickAt) + 1 || 1) + '/' + picks.length;

    $('startPause').textContent = running ? '暂停' : '开始';
    $('absent').textContent = s.absent ? '取消缺席' : '缺席';
    for (let i = 0; i < 4; i++) mark($('g' + (i + 1)), s.grade === i);
    mark($('round'), !!s.round);

    renderAttendance(s);
    mark($('showAttendance'), !$('attendance').hidden);

    const timer = typeof s.timer === 'string' ? s.timer : '';
    $('timer').textContent = timer;
    unseen($('timer'), !timer);

    // Recording needs a still name on screen.
    const noName = !name || running;
    const blocked = { startPause: !cls, ok: noName, pass: noName, absent: noName, undo: !s.undo,
      g1: noName, g2: noName, g3: noName, g4: noName };
    document.querySelectorAll('#remote button').forEach((b) => {
      b.disabled = !online || !!blocked[b.id];
    });
  }

  // ---- wiring
  function typedCode() {
    // Chinese keyboards may give full-width digits.
    return $('code').value
      .replace(/[０-９]/g, (c) => String.fromCharCode(c.charCodeAt(0) - 0xfee0))
      .replace(/\D/g, '').slice(0, 6);
  }

  $('code').addEventListener('input', () => {
    const v = typedCode();
    if (v !== $('code').value) $('code').value = v;
  });
  $('code').addEventListener('keydown', (e) => {
    if (e.key === 'Enter' && !$('pair').disabled) pair(typedCode());
  });
  $('pair').addEventListener('click', () => pair(typedCode()));

  $('remote').addEventListener('click', (e) => {
    const b = e.target.closest('button[data-do]');
    if (!b || b.disabled) return;
    send(b.dataset.do, b.dataset.arg);
  });
  $('showAttendance').addEventListener('click', () => {
    $('attendance').hidden = !$('attendance').hidden;
    render();
    if (!$('attendance').hidden) $('attendance').scrollIntoView({ behavior: 'smooth' });
  });
  $('class').addEventListener('change', () => {
    classKey = null; // let the next state put the chooser right, whatever the answer
    send('class', $('class').value);
  });

  window.addEventListener('online', wake);
  document.addEventListener('visibilitychange', () => {
    if (document.visibilityState === 'visible') wake();
  });

  async function boot() {
    const m = /^#(\d{6})$/.exec(location.hash);
    if (m) history.replaceState(null, '', location.pathname + location.search);
    const code = m ? m[1] : '';

    token = loadToken();
    if (token) {
      const s = await sessionState();
      if (s === 'ok') { startRemote(); return; }
      if (s === 'offline') { show('remote'); render(); offline(); return; }
      dropToken();
      token = null; // a fresh code from the QR wins over an expired pairing
      if (!code) { toPairing(GONE); return; }
    }
    toPairing('');
    if (code) { $('code').value = code; pair(code); } else $('code').focus();
  }

  boot();
})();
