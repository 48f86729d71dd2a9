"""Follows every use of an engine member constant in the control's sources to what is done with it.

The control spells an engine member as Engine::X::kY, through a namespace alias (namespace L =
Engine::Labels), through a using-declaration, or as a value in a table of settings that a loop
hands to the engine; the value may pass through a variable, a helper function, a lambda or an
object that keeps it (a property restorer) before it reaches the engine. Tracer.uses() finds each
such use and the operations (Get, Put, Call) that reach the engine with it, and names the uses it
cannot follow, so that a check built on it sees all of them or fails.
"""
import pathlib
import re
from collections import defaultdict

OPS = ('Get', 'Put', 'Call', 'TryCall', 'CallWith')
IDENT = r'[A-Za-z_]\w*'

def strip_comments(text):
    """Comments and string literals blanked, offsets kept."""
    out = list(text)
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith('//', i):
            j = text.find('\n', i)
            j = n if j < 0 else j
            for k in range(i, j): out[k] = ' '
            i = j
        elif text.startswith('/*', i):
            j = text.find('*/', i + 2)
            j = n if j < 0 else j + 2
            for k in range(i, j):
                if out[k] != '\n': out[k] = ' '
            i = j
        elif c == '"' or (c == "'" and not (i > 0 and text[i-1].isdigit())):
            j = i + 1
            while j < n and text[j] != c and text[j] != '\n':
                j += 2 if text[j] == '\\' else 1
            for k in range(i + 1, min(j, n)):
                if out[k] != '\n': out[k] = ' '
            i = j + 1
        else:
            i += 1
    return ''.join(out)

def enclosing(text, pos):
    """(opening char, its offset, argument index) of the innermost bracket around pos."""
    commas = 0
    close = {')': '(', '}': '{', ']': '['}
    i = pos - 1
    stack = []
    while i >= 0:
        c = text[i]
        if c in close:
            stack.append(c)
        elif c in '({[':
            if stack:
                stack.pop()
            else:
                return c, i, commas
        elif c == ',' and not stack:
            commas += 1
        elif c == ';' and not stack:
            return None, i, commas
        i -= 1
    return None, -1, commas

def name_before(text, i):
    m = re.search(r'(\.|->|::)?\s*(' + IDENT + r')\s*(<[^<>]*>)?\s*$', text[:i])
    return (m.group(1) or '', m.group(2), m.start(2)) if m else ('', '', i)

def function_bodies(text):
    """name -> list of (parameter names, body text, initialiser text) of function definitions."""
    found = defaultdict(list)
    for m in re.finditer(r'(' + IDENT + r')\s*\(([^()]*(?:\([^()]*\)[^()]*)*)\)\s*(?:const\s*)?(?:noexcept\s*)?(?:override\s*)?(:[^{;]*)?\{', text):
        name = m.group(1)
        if name in ('if', 'for', 'while', 'switch', 'catch', 'return'):
            continue
        params = [re.findall(IDENT, p.split('=')[0])[-1] if re.findall(IDENT, p.split('=')[0]) else ''
                  for p in m.group(2).split(',')] if m.group(2).strip() else []
        depth, j = 1, m.end()
        while j < len(text) and depth:
            depth += {'{': 1, '}': -1}.get(text[j], 0)
            j += 1
        found[name].append((params, text[m.end():j], m.group(3) or ''))
    for m in re.finditer(r'(' + IDENT + r')\s*=\s*\[[^\]]*\]\s*\(([^()]*)\)[^{;]*\{', text):
        depth, j = 1, m.end()
        while j < len(text) and depth:
            depth += {'{': 1, '}': -1}.get(text[j], 0)
            j += 1
        params = [(re.findall(IDENT, p) or [''])[-1] for p in m.group(2).split(',')] if m.group(2).strip() else []
        found[m.group(1)].append((params, text[m.end():j], ''))
    return found


class Tracer:
    """Follows each engine member constant, however spelled, to the operations applied to it."""

    def __init__(self, root, constants):
        self.root = pathlib.Path(root)
        self.constants = constants  # namespace -> set of constant names
        self.files = {p: strip_comments(p.read_text(errors='replace'))
                      for p in sorted((self.root / 'ZmaVOMap2').rglob('*')) if p.suffix in ('.cpp', '.h')
                      and p.name != 'EngineMembers.h'}
        self.functions = defaultdict(list)
        for text in self.files.values():
            for name, defs in function_bodies(text).items():
                self.functions[name].extend(defs)

    def spellings(self, text):
        """regex -> namespace, for each way this file can spell an engine member constant."""
        ways = {r'\bEngine\s*::\s*(' + ns + r')\s*::\s*(k\w+)': None for ns in self.constants}
        for m in re.finditer(r'namespace\s+(' + IDENT + r')\s*=\s*Engine\s*::\s*(' + IDENT + r')\s*;', text):
            ways[r'(?<![\w:.])' + m.group(1) + r'\s*::\s*(k\w+)'] = m.group(2)
        for m in re.finditer(r'using\s+Engine\s*::\s*(' + IDENT + r')\s*::\s*(k\w+)\s*;', text):
            ways[r'(?<![\w:.>])(' + m.group(2) + r')\b(?!\s*=)'] = m.group(1)
        for m in re.finditer(r'using\s+namespace\s+Engine\s*::\s*(' + IDENT + r')\s*;', text):
            ways[r'(?<![\w:.>])(k\w+)\b'] = m.group(1)
        return ways

    def uses(self):
        """(namespace, constant) -> operations, and the uses that could not be followed."""
        ops, unfollowed = defaultdict(set), []
        for path, text in self.files.items():
            for pos, space, const, end in self.references(text):
                found = self.ops_at(text, pos, end)
                if found:
                    ops[(space, const)] |= found
                else:
                    line = text.count('\n', 0, pos) + 1
                    unfollowed.append(f'{path.relative_to(self.root)}:{line} Engine::{space}::{const}')
        return ops, unfollowed

    def references(self, text):
        seen = {}
        for pattern, ns in self.spellings(text).items():
            for m in re.finditer(pattern, text):
                space, const = (m.group(1), m.group(2)) if ns is None else (ns, m.group(m.lastindex))
                if const in self.constants.get(space, ()) and m.start() not in seen:
                    seen[m.start()] = (space, const, m.end())
        return sorted((pos, s, c, end) for pos, (s, c, end) in seen.items())

    def ops_of_name(self, text, name, depth=0):
        """The operations applied to a variable, parameter or member `name` within text."""
        ops = set()
        pat = r'(?<![\w.>])' + re.escape(name) + r'\b(?!\s*\()'
        for m in re.finditer(pat, text):
            ops |= self.ops_at(text, m.start(), m.end(), depth) or set()
        return ops

    def ops_at(self, text, pos, end, depth=0):
        """The operations applied to the value written at text[pos:end]; None where unknown."""
        if depth > 6:
            return set()
        opener, at, index = enclosing(text, pos)
        if opener == '(':
            sep, callee, cstart = name_before(text, at)
            if sep in ('.', '->') and callee in OPS and index == 0:
                return {callee}
            if sep in ('.', '->') and callee == 'GetByName':
                return {'Get'}
            made = re.search(r'make_(?:unique|shared)\s*<\s*(' + IDENT + r')\s*>\s*$', text[:at])
            if made:
                callee = made.group(1)
            if sep in ('.', '->') and callee == 'emplace':
                holder = re.search(r'(' + IDENT + r')\s*(?:\.|->)\s*emplace\s*$', text[:at])
                held = holder and re.search(r'<\s*(' + IDENT + r')\s*>\s*' + holder.group(1) + r'\b', text)
                if held:
                    callee = held.group(1)
            ops = self.helper_ops(callee, index, depth)
            if ops is not None:
                return ops
            # a declaration of an object: its class's constructor
            m = re.search(r'(' + IDENT + r')\s+$', text[:cstart])
            if m:
                ops = self.helper_ops(m.group(1), index, depth)
                if ops is not None:
                    return ops
            return None
        # a variable initialised with it: what is done with the variable
        head = text[max(0, at + 1):pos]
        m = re.search(r'(?:^|[;{}:])\s*(?:const\s+)?(?:' + IDENT + r'\s+)?(' + IDENT + r')\s*=\s*[^;={}]*$', head)
        if m:
            return self.ops_of_name(text, m.group(1), depth + 1)
        return None

    def helper_ops(self, name, index, depth):
        defs = self.functions.get(name)
        if not defs:
            return None
        ops, any_def = set(), False
        for params, body, init in defs:
            if index >= len(params) or not params[index]:
                continue
            any_def = True
            param = params[index]
            ops |= self.ops_of_name(body, param, depth + 1) or set()
            for member in re.findall(r'(' + IDENT + r')\s*[({]\s*' + re.escape(param) + r'\s*[)}]', init):
                for text in self.files.values():
                    if re.search(r'\b' + re.escape(member) + r'\b', text) and name in text:
                        ops |= self.ops_of_name(text, member, depth + 1) or set()
        return ops if any_def else None

def structs(text):
    """struct name -> [(field type, field name)] in order."""
    out = {}
    for m in re.finditer(r'struct\s+(' + IDENT + r')\s*\{', text):
        depth, j = 1, m.end()
        while j < len(text) and depth:
            depth += {'{': 1, '}': -1}.get(text[j], 0)
            j += 1
        fields = []
        for decl in text[m.end():j - 1].split(';'):
            decl = decl.split('=')[0].strip()
            if not decl or '(' in decl or decl.startswith(('enum', 'struct', 'static', 'using')):
                continue
            names = re.findall(IDENT + r'(?=\s*(?:\[[^\]]*\])?\s*$)', decl)
            if names:
                fields.append((decl[:decl.rfind(names[-1])].strip(), names[-1]))
        out[m.group(1)] = fields
    return out


def element_type(field_type):
    m = re.search(r'vector\s*<\s*(' + IDENT + r')\s*>', field_type)
    return (m.group(1), True) if m else (re.findall(IDENT, field_type)[-1] if re.findall(IDENT, field_type) else '', False)


class TableTracer(Tracer):
    def __init__(self, root, constants):
        super().__init__(root, constants)
        self.structs = {}
        for text in self.files.values():
            self.structs.update(structs(text))

    def table_field(self, text, pos):
        """The struct field a constant written in a brace initialiser fills: (struct, field)."""
        chain = []  # innermost first: (offset of '{', index within it)
        p = pos
        while True:
            opener, at, index = enclosing(text, p)
            if opener != '{':
                break
            chain.append((at, index))
            p = at
        if not chain:
            return None
        before = text[:chain[-1][0]]
        decl = re.search(r'(?:const\s+)?(' + IDENT + r')\s+' + IDENT + r'\s*(\[[^\]]*\])?\s*=\s*$', before)
        inline = re.search(r'struct\s*(\{[^{}]*\})\s*' + IDENT + r'\s*(\[[^\]]*\])?\s*=\s*$', before)
        if inline:
            kind, is_list = '<inline>', bool(inline.group(2))
            self.structs[kind] = structs('struct X ' + inline.group(1) + ';')['X']
        elif decl:
            kind, is_list = decl.group(1), bool(decl.group(2))
        else:
            return None
        levels = list(reversed(chain))  # outermost first
        for depth, (at, index) in enumerate(levels):
            last = depth == len(levels) - 1
            if is_list:  # this brace lists elements of `kind`; the next one is an element
                is_list = False
                if last:
                    return None
                continue
            fields = self.structs.get(kind)
            if not fields or index >= len(fields):
                return None
            if last:
                return kind, fields[index][1]
            kind, is_list = element_type(fields[index][0])
        return None

    def ops_at(self, text, pos, end, depth=0):
        ops = super().ops_at(text, pos, end, depth)
        if ops is not None:
            return ops
        field = self.table_field(text, pos)
        if not field:
            return None
        ops = set()
        for m in re.finditer(r'(?:\.|->)\s*' + field[1] + r'\b(?!\s*\()', text):
            start = re.search(IDENT + r'\s*$', text[:m.start()])
            found = super().ops_at(text, start.start() if start else m.start(), m.end(), depth + 1)
            ops |= found or set()
        return ops
