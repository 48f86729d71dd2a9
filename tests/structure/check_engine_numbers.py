#!/usr/bin/env python3
"""Holds every engine number the control uses to the engine's own type library.

The control reaches the map engine late-bound, so a member number or a code that differs from the
engine's calls another member or means another thing on the engine its users run, whatever our
stand-in answers. This reads the numbers where the control spells them (engine/EngineMembers.h,
engine/EngineConstants.h, the distance units of engine/DistanceUnits.h and the event numbers of
engine/MapXEventListener.cpp) and compares each with the engine's tables beside this script:
  - every use of a member number in the control's sources, however it is spelled (Engine::X::kY,
    a namespace alias, a using-declaration, an entry of a table of settings) and whatever carries it
    to the engine (a variable, a helper, a lambda, an object that keeps it), is followed to the gets,
    puts and calls that reach the engine with it (engine_uses.py); a use it cannot follow fails;
  - a member number must be the engine's number of the member it names;
  - a property the engine declares read-only is never put, and one it declares a property is never
    invoked as a method only;
  - an enumeration value must be the engine's value of the constant it names.
Usage: check_engine_numbers.py <source root>. Prints one line per difference; fails on any.
"""
import csv
import pathlib
import re
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import engine_uses  # noqa: E402

HERE = pathlib.Path(__file__).resolve().parent / 'engine'

# The engine interface of each namespace of EngineMembers.h.
INTERFACE = {
    'Map': 'CMapX', 'Layers': 'CMapXLayers', 'Layer': 'CMapXLayer', 'Labels': 'CMapXLabelProperties',
    'Selection': 'CMapXSelection', 'Dataset': 'CMapXDataset', 'Field': 'CMapXField', 'Rectangle': 'CMapXRectangle',
    'Style': 'CMapXStyle', 'Feature': 'CMapXFeature', 'FeatureFactory': 'CMapXFeatureFactory',
    'Point': 'CMapXPoint', 'Points': 'CMapXPoints', 'CoordSys': 'CMapXCoordSys', 'Datum': 'CMapXDatum',
    'Annotations': 'CMapXAnnotations', 'Annotation': 'CMapXAnnotation', 'TextGraphic': 'CMapXText',
}
# Where a constant's name is not the engine's member name: the member(s) it stands for. A number
# the control calls on several collections names each; all must agree.
MEMBER = {
    ('Map', 'kPaperHeight'): ['CMapX.MapPaperHeight'], ('Map', 'kPaperWidth'): ['CMapX.MapPaperWidth'],
    ('Map', 'kDistanceUnit'): ['CMapX.MapUnit'], ('Map', 'kScreenWidth'): ['CMapX.MapScreenWidth'],
    ('Map', 'kScreenHeight'): ['CMapX.MapScreenHeight'], ('Map', 'kWindowHandle'): ['CMapX.hWnd'],
    ('Map', 'kDatasets'): ['CMapX.DataSets'],
    ('Layers', 'kItem'): ['CMapXLayers._Item'], ('Points', 'kItem'): ['CMapXPoints._Item'],
    ('Layer', 'kZoomLayering'): ['CMapXLayer.ZoomLayer'], ('Layer', 'kFeatureByKey'): ['CMapXLayer.GetFeatureByKey'],
    ('Collection', 'kCount'): ['CMapXFeatures.Count', 'CMapXParts.Count', 'CMapXPoints.Count', 'CMapXFields.Count',
                               'CMapXDatasets.Count'],
    ('Collection', 'kItem'): ['CMapXFeatures._Item', 'CMapXParts._Item', 'CMapXPoints._Item'],
    ('Collection', 'kFeatureItem'): ['CMapXFeatures._Item'], ('Collection', 'kFieldItem'): ['CMapXFields._Item'],
    ('Collection', 'kDatasetAdd'): ['CMapXDatasets.Add'], ('Collection', 'kDatasetFields'): ['CMapXDataset.Fields'],
    ('Collection', 'kSearch'): ['CMapXLayerFind.Search'],
    ('Rectangle', 'kMove'): ['CMapXRectangle.Offset'],
    # The number the control sets on the selection style is the engine's region border width.
    ('Style', 'kSelectionPattern'): ['CMapXStyle.RegionBorderWidth'],
    ('Style', 'kBitmapTransparent'): ['CMapXStyle.SymbolBitmapTransparent'],
    ('Style', 'kBitmapOverrideColor'): ['CMapXStyle.SymbolBitmapOverrideColor'],
    ('Style', 'kBitmapColor'): ['CMapXStyle.SymbolBitmapColor'], ('Style', 'kBitmapName'): ['CMapXStyle.SymbolBitmapName'],
    ('Style', 'kBitmapSize'): ['CMapXStyle.SymbolBitmapSize'], ('Style', 'kRegionWidthUnit'): ['CMapXStyle.RegionBorderWidthUnit'],
    ('Feature', 'kKey'): ['CMapXFeature.FeatureKey'],
    ('CoordSys', 'kFirstParameter'): ['CMapXCoordSys.OriginLongitude'],
    ('Datum', 'kMajorAxis'): ['CMapXDatum.SemiMajorAxis'], ('Datum', 'kMinorAxis'): ['CMapXDatum.SemiMinorAxis'],
    ('Annotations', 'kMapAnnotations'): ['CMapX.Annotations'], ('Annotations', 'kItem'): ['CMapXAnnotations._Item'],
}
# The engine enumeration of each namespace of EngineConstants.h, and how a constant's name becomes
# the engine's ("{}" is the constant's name without its k).
ENUMERATION = {
    'FeatureType': ('FeatureTypeConstants', 'miFeatureType{}'), 'LayerType': ('LayerTypeConstants', 'miLayerType{}'),
    'AnnotationType': ('AnnotationTypeConstants', 'mi{}Annotation'), 'DatasetType': ('DatasetTypeConstants', 'miDataSet{}'),
    'CircleType': ('CircleTypeConstants', 'miCircleType{}'), 'Tool': ('ToolConstants', 'mi{}Tool'),
    'ToolType': ('ToolTypeConstants', 'miToolType{}'), 'Cursor': ('CursorConstants', 'mi{}Cursor'),
    'ToolFlag': ('ToolFlagConstants', 'miTool{}'), 'PolyToolFlag': ('PolyToolFlagConstants', 'miPolyTool{}'),
    'MapDraw': ('MapDrawConstants', 'miDraw{}'), 'Conversion': ('ConversionConstants', 'mi{}'),
    'DistanceUnits': ('MapUnitConstants', 'miUnit{}'),
}
# The event numbers the listener names, by the engine's event names.
EVENT = {'kViewChanged': 'MapViewChanged', 'kDrawingStage': 'MapDraw', 'kFeatureToolStatus': 'AddFeatureToolUsed'}

CONSTANT = re.compile(r'^\s*constexpr\s+[\w:]+\s+(k\w+)\s*=\s*(-?\d+)\s*;')
ENUM_VALUE = re.compile(r'^\s*(k\w+)\s*=\s*(-?\d+)\s*,?\s*$')


def table(name):
    with (HERE / name).open() as f:
        return list(csv.DictReader((line for line in f if not line.startswith('#')), delimiter='\t'))


def constants_by_namespace(path, pattern=CONSTANT):
    """(namespace, constant, value, line) for each constant, by the innermost namespace."""
    found, stack = [], []
    for no, line in enumerate(path.read_text().splitlines(), 1):
        opened = re.match(r'\s*namespace\s*(\w*)\s*\{', line)
        if opened:
            stack.append(opened.group(1))
        elif re.match(r'\s*\}\s*//\s*namespace', line):
            stack.pop()
        else:
            m = pattern.match(line)
            if m and stack:
                found.append((stack[-1], m.group(1), int(m.group(2)), no))
    return found


def uses(root, member_constants):
    """(namespace, constant) -> the operations the control's sources apply to it, however they
    spell it (engine_uses.py), and the uses that could not be followed."""
    constants = {}
    for ns, const, _, _ in member_constants:
        constants.setdefault(ns, set()).add(const)
    return engine_uses.TableTracer(root, constants).uses()


def main(root):
    root = pathlib.Path(root)
    members = {(r['interface'], r['member'].lower()): r for r in table('engine-members.tsv')}
    values = {(r['enum'], r['name']): int(r['value']) for r in table('engine-constants.tsv')}
    engine = root / 'ZmaVOMap2' / 'engine'
    faults = []
    member_constants = constants_by_namespace(engine / 'EngineMembers.h')
    ops, unfollowed = uses(root, member_constants)
    faults += [f'{where}: an engine member whose use this check cannot follow to a get, put or call'
               for where in unfollowed]

    for ns, const, value, no in member_constants:
        where = f'EngineMembers.h:{no} Engine::{ns}::{const} = {value}'
        targets = MEMBER.get((ns, const)) or ([f'{INTERFACE[ns]}.{const[1:]}'] if ns in INTERFACE else [])
        if not targets:
            faults.append(f'{where}: names no engine member')
        for target in targets:
            iface, name = target.split('.')
            row = members.get((iface, name.lower()))
            if row is None:
                faults.append(f'{where}: the engine has no {target}')
                continue
            if int(row['dispid']) != value:
                faults.append(f'{where}: the engine numbers {target} {row["dispid"]}')
            done = ops.get((ns, const), set())
            if 'Put' in done and row['readonly'] == 'yes':
                faults.append(f'{where}: {target} is read-only in the engine, and the control puts it')
            if done & {'Call', 'TryCall', 'CallWith'} and row['kind'] in ('property', 'propget'):
                faults.append(f'{where}: {target} is a property in the engine, and the control calls it as a method')

    enumerated = constants_by_namespace(engine / 'EngineConstants.h')
    enumerated += [('DistanceUnits', c, v, no) for _, c, v, no in
                   constants_by_namespace(engine / 'DistanceUnits.h', ENUM_VALUE)]
    for ns, const, value, no in enumerated:
        where = f'Engine::{ns}::{const} = {value}'
        if ns not in ENUMERATION:
            faults.append(f'{where}: names no engine enumeration')
            continue
        enum, form = ENUMERATION[ns]
        name = form.format(const[1:])
        if (enum, name) not in values:
            faults.append(f'{where}: the engine has no {enum}.{name}')
        elif values[(enum, name)] != value:
            faults.append(f'{where}: the engine has {enum}.{name} = {values[(enum, name)]}')

    for ns, const, value, no in constants_by_namespace(engine / 'MapXEventListener.cpp'):
        name = EVENT.get(const, const[1:])
        row = members.get(('CMapXEvents', name.lower()))
        if row is None or int(row['dispid']) != value:
            faults.append(f'MapXEventListener.cpp:{no} {const} = {value}: the engine numbers {name} '
                          f'{row["dispid"] if row else "nowhere"}')

    for fault in faults:
        print(fault)
    followed = sum(1 for _ in ops)
    print(f'engine members used by the control: {followed}, every use followed to what reaches the engine'
          if not unfollowed else f'engine member uses not followed: {len(unfollowed)}')
    print(f'engine numbers of the control: {len(faults)} differ')
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1]))
