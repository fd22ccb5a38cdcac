Feature: Withdraw Cash - main flow
  Test case SD1 of ATM.mdl, diagram 5A1000000040

  @ATM-1 @ATM-2
  Scenario Outline: path 1
    When readCard <readCard.cardNumber>

    Examples:
      | id | readCard.cardNumber |
      | 5A1000000040-1-001 | YtBoPsMDUotx |
      | 5A1000000040-1-002 | axVBPvsPCmjIC_c |
      | 5A1000000040-1-003 | "0000" |
      | 5A1000000040-1-004 | MXIxFjQte |
      | 5A1000000040-1-005 | ZCNAg]ED |
      | 5A1000000040-1-006 | H]xb] |

  @ATM-1 @ATM-2
  Scenario Outline: path 1.1
    When validatePin <validatePin.validatePin> <validatePin.pin>
    Then controller sends withdraw to account <withdraw.amount>
    And account sends dispense to controller <dispense.dispense> <dispense.amount> <dispense.notes>

    Examples:
      | id | validatePin.validatePin | validatePin.pin | withdraw.amount | dispense.dispense | dispense.amount | dispense.notes |
      | 5A1000000040-1.1-001 | Reading Card | m[SCgTxtE | 2 | Reading Card | 7 | 1 |
      | 5A1000000040-1.1-002 | Idle | m[SCgTxtE | 2 | Reading Card | 7 | 1 |
      | 5A1000000040-1.1-003 | Reading Card | m[SCgTxtE | 3 | Dispensing | 6 | 2 |
      | 5A1000000040-1.1-004 | Idle | m[SCgTxtE | 3 | Idle | 7 | 2 |
      | 5A1000000040-1.1-005 | Dispensing | y_`DOMiuVRBe | 2 | Dispensing | 6 | 2 |

  @ATM-1 @ATM-2
  Scenario Outline: path 1.2
    When keepCard <keepCard.keepCard>

    Examples:
      | id | keepCard.keepCard |
      | 5A1000000040-1.2-001 | card reported stolen |
      | 5A1000000040-1.2-002 | third wrong PIN |

  @ATM-1 @ATM-2
  Scenario Outline: path 1.3
    When ejectCard <ejectCard.ejectCard>

    Examples:
      | id | ejectCard.ejectCard |
      | 5A1000000040-1.3-001 | card left in the slot |
      | 5A1000000040-1.3-002 | card taken at once |
